// libFuzzer target: the viewer's TGA decoder on any bytes.
#include "payload/velloran/decoders.h"
#include "tests/fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    return CheckDecoder(DecodeTga, NULL, data, size);
}
