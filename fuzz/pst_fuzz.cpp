#include "pst_input.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz_pst(data, size);
    return 0;
}
