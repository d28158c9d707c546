#include "U_KV_Hash_and_RAT_01.h"

#include <string.h> // explicit_bzero

void KvSecureWipe(TByteArray& bytes) {
    if (!bytes.empty()) {
        explicit_bzero(bytes.data(), bytes.size());
    }
}

void KvSecureWipe(std::string& text) {
    if (!text.empty()) {
        explicit_bzero(text.data(), text.size());
    }
    text.clear();
}

TWipeGuard::~TWipeGuard() {
    for (std::string* s : texts_) {
        KvSecureWipe(*s);
    }
}
