#include "recurrence_input.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz_recurrence(data, size);
    return 0;
}
