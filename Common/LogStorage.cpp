// The one easylogging++ storage of a program that links this library.
#include <easylogging++.h>
INITIALIZE_EASYLOGGINGPP
