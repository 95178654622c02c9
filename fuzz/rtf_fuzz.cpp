#include "rtf_input.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz_rtf(data, size);
    return 0;
}
