// Text of any shape must decode to nothing or to bytes that survive another
// encoding; deciphering never crashes, and enciphering always round-trips.
#include "U_KV_Base64_01.h"
#include "U_KV_Hash_and_RAT_01.h"

#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);

    const std::string decoded = Base64Decode(text);
    if (!decoded.empty() && Base64Decode(Base64Encode(decoded)) != decoded) {
        std::abort();
    }
    if (!decoded.empty() && decoded.size() != Base64DecodedLength(text)) {
        std::abort();
    }

    const std::string plain = KvDecipherText(text);
    if (!plain.empty() && KvDecipherText(KvEncipherText(plain)) != plain) {
        std::abort();
    }

    // Every byte string survives the cipher.
    if (KvDecipherText(KvEncipherText(text)) != text) {
        std::abort();
    }
    return 0;
}
