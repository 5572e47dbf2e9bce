#pragma once
// MD5 message digest (RFC 1321) and the digest of a whole file as 32 lowercase hex digits.
#include <cstdint>

class MD5_CTX
{
public:
    MD5_CTX();
    virtual ~MD5_CTX();

    void Update(const unsigned char* input, uint32_t length);
    // Writes the 16-byte digest and starts the context afresh.
    void Final(unsigned char digest[16]);

    // Streams the file in blocks. On failure (cannot open or read) returns false and leaves `out`
    // untouched. `out` must hold at least 33 bytes.
    bool GetFileMd5(const char* path, char* out);

private:
    void Init();
    static void Transform(uint32_t state[4], const unsigned char block[64]);

    uint32_t state[4];
    uint32_t count[2];
    unsigned char buffer[64];
    unsigned char padding[64];
};

// The 16 digest bytes as 32 lowercase hex digits and a terminating zero; `out` holds 33 bytes.
void Md5Text(const unsigned char digest[16], char* out);
