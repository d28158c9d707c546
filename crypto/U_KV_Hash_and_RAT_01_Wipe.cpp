#include "U_KV_Hash_and_RAT_01.h"

#include <string.h> // explicit_bzero

#include <algorithm>

namespace {

// Growth by doubling, as the standard containers grow, from a few elements.
std::size_t GrownCapacity(std::size_t capacity, std::size_t needed) {
    return std::max({needed, 2 * capacity, std::size_t{16}});
}

} // namespace

void KvSecureWipe(TByteArray& bytes) {
    if (!bytes.empty()) {
        explicit_bzero(bytes.data(), bytes.size());
    }
}

void KvSecureWipe(std::string& text) {
    // data() reaches the whole buffer: capacity() characters and the
    // terminating one.
    explicit_bzero(text.data(), text.capacity());
    text.clear();
}

void KvSecureWipe(std::u16string& text) {
    explicit_bzero(text.data(), text.capacity() * sizeof(char16_t));
    text.clear();
}

void KvSecureWipe(std::vector<std::string>& texts) {
    for (std::string& text : texts) {
        KvSecureWipe(text);
    }
    texts.clear();
}

void KvSecureAppend(std::string& text, std::string_view more) {
    if (text.size() + more.size() > text.capacity()) {
        std::string larger;
        larger.reserve(GrownCapacity(text.capacity(), text.size() + more.size()));
        larger.append(text);
        KvSecureWipe(text);
        text.swap(larger); // `larger` now holds the old, wiped buffer
    }
    text.append(more);
}

void KvSecurePushBack(std::vector<std::string>& texts, std::string&& text) {
    if (texts.size() == texts.capacity()) {
        std::vector<std::string> larger;
        larger.reserve(GrownCapacity(texts.capacity(), texts.size() + 1));
        for (std::string& moving : texts) {
            larger.push_back(std::move(moving));
        }
        // What a move leaves behind: short texts stay in the old elements.
        KvSecureWipe(texts);
        texts.swap(larger);
    }
    texts.push_back(std::move(text));
    KvSecureWipe(text);
}

void KvSecureAssign(std::string& text, std::string&& value) {
    KvSecureWipe(text);
    text = std::move(value);
    KvSecureWipe(value);
}

TWipeGuard::~TWipeGuard() {
    for (std::string* s : texts_) {
        KvSecureWipe(*s);
    }
}
