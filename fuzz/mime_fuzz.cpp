// libFuzzer target for the MIME writer's body and header filters.
#include <cstddef>
#include <cstdint>

#include "mime_input.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz_mime(data, size);
    return 0;
}
