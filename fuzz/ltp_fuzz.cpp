#include "ltp_input.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz_ltp(data, size);
    return 0;
}
