// The printable text forms of the KV hash and their letter-case pass.
#include "U_KV_Hash_Standard_01.h"

#include <algorithm>

bool KvIsUpperLetter(char c) {
    return c >= 'A' && c <= 'Z';
}

bool KvIsLowerLetter(char c) {
    return c >= 'a' && c <= 'z';
}

void KvHashApplyCase(std::string& form, const TByteArray& key) {
    const std::size_t n = std::min(form.size(), key.size());
    if (n < 2) {
        return;
    }
    for (std::size_t i = 1; i < n; ++i) {
        const char previous = form[i - 1];
        const char current = form[i];
        const bool alike = (KvIsUpperLetter(previous) && KvIsUpperLetter(current)) ||
                           (KvIsLowerLetter(previous) && KvIsLowerLetter(current));
        if (alike && (key[i] & 1)) {
            form[i] = KvIsUpperLetter(previous) ? static_cast<char>(current - 'A' + 'a')
                                                : static_cast<char>(current - 'a' + 'A');
        }
    }
}

namespace {

// One output form: its alphabet and the previously chosen position (0, which
// no alphabet position equals, before the first character).
struct FormWriter {
    std::string_view alphabet;
    std::string& out;
    unsigned previous = 0;

    void Append(std::uint8_t first, std::uint8_t second) {
        const unsigned size = static_cast<unsigned>(alphabet.size());
        unsigned q = first % size + 1;
        if (q == previous) {
            q = second % size + 1; // not compared again
        }
        previous = q;
        out.push_back(alphabet[q - 1]);
    }
};

} // namespace

void KvHashText(const std::string& text, std::uint16_t length, std::string& hash62,
                std::string& hash64, std::string& hash90) {
    hash62.clear();
    hash64.clear();
    hash90.clear();
    if (text.empty()) {
        return;
    }
    if (length == 0 || length > KvDigestSize) {
        length = KvDigestSize;
    }

    TByteArray X;
    KvHashPrepareText(text, X);
    TByteArray D1, D2;
    KvHashDigest(X, 1, D1);
    KvHashDigest(X, 2, D2);
    RatChainXorForward(X);
    for (std::size_t i = 0; i < KvDigestSize; ++i) {
        X[i] ^= D1[i];
    }
    KvHashDigest(X, 3, D1);
    RatSubstituteSBox(D2);

    FormWriter forms[] = {{KvAlphabet62, hash62}, {KvAlphabet64, hash64}, {KvAlphabet90, hash90}};
    for (auto& form : forms) {
        form.out.reserve(length);
    }
    for (std::size_t j = 0; j < length; ++j) {
        for (auto& form : forms) {
            form.Append(D1[j], D2[j]);
        }
    }
    KvHashApplyCase(hash62, D1);
    KvHashApplyCase(hash64, D1);
    KvHashApplyCase(hash90, D1);
}
