// Ids the web browser control needs that the toolchain's uuid library does not define.
#include <windows.h>

// Selectable definitions: should a library bring the same ids one day, the linker keeps one copy.
extern "C" {
extern const GUID __attribute__((selectany))
IID_ICustomDoc = {0x3050f3f0, 0x98b5, 0x11cf, {0xbb, 0x82, 0x00, 0xaa, 0x00, 0xbd, 0xce, 0x0b}};
extern const GUID __attribute__((selectany))
CGID_DocHostCommandHandler = {0xf38bc242, 0xb950, 0x11d1, {0x89, 0x18, 0x00, 0xc0, 0x4f, 0xc2, 0xc8, 0x36}};
}
