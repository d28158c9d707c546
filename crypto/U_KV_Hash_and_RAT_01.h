// The ciphers built from the RAT transforms and the KV hash: the text-field
// cipher, the table cipher and keyed rounds, the main-password key derivation
// and the layered payload encryption.
#pragma once

#include "U_KV_RAT_01.h"

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

// --- Text-field cipher ------------------------------------------------------
// An unkeyed, reversible scrambling of an 8-bit string into Base64 text, so
// that record contents never stand in the tree as plain text.

TByteArray KvTextRoundsForward(const std::string& text);
std::string KvTextRoundsInverse(TByteArray bytes);
std::string KvEncipherText(const std::string& text);   // empty in, empty out
std::string KvDecipherText(const std::string& base64); // empty for text that is not Base64

// --- Table cipher and keyed rounds ------------------------------------------

// Substitutes every byte through two key-derived tables with unkeyed diffusion
// in between. Keys shorter than 100 bytes define no tables: data unchanged.
void RatTableCipher(TByteArray& data, const TByteArray& key, int forward);

// Rounds i = 0..n-1 apply RatStepForward with selector key[i] and amount
// key[i+n]. Nothing happens for empty data or a key shorter than 2n bytes.
// The key may be the data itself: each round reads its key bytes just before
// it runs.
void RatKeyedRounds(TByteArray& data, const TByteArray& key, int forward, std::uint16_t rounds);

// --- Wiping secrets -------------------------------------------------------------

// Overwrites the bytes with zeros in a way the compiler cannot drop; the
// length stays. Strings are emptied afterwards.
//
// A string is wiped over its whole capacity, not just its length: a string
// that was moved from, cleared or shortened is empty, yet its buffer (the
// small-string buffer inside the object itself, for short texts) still
// holds what it held.
void KvSecureWipe(TByteArray& bytes);
void KvSecureWipe(std::string& text);
void KvSecureWipe(std::u16string& text);
void KvSecureWipe(std::vector<std::string>& texts); // every string, then the vector is emptied

// Growing a string or a vector moves its content to a larger block and frees
// the old one as it is, so every step of growth would leave a copy of the
// secret so far behind. These grow by hand instead and wipe what they leave.
void KvSecureAppend(std::string& text, std::string_view more);
void KvSecurePushBack(std::vector<std::string>& texts, std::string&& text); // `text` is wiped

// Gives `text` the value of `value`, wiping what `text` held before and what
// a move leaves in `value` (a short text is copied, not moved).
void KvSecureAssign(std::string& text, std::string&& value);

// Wipes the strings it was given when it goes out of scope, on every path
// out of a function that holds secret text. Byte arrays need no guard: their
// allocator wipes them whenever their memory is released.
class TWipeGuard {
  public:
    TWipeGuard(std::initializer_list<std::string*> texts) : texts_(texts) {}
    ~TWipeGuard();
    TWipeGuard(const TWipeGuard&) = delete;
    TWipeGuard& operator=(const TWipeGuard&) = delete;

  private:
    std::vector<std::string*> texts_;
};

// --- Main-password key derivation ----------------------------------------------

constexpr std::size_t KvKeySize = 1000;       // SH1, SH2, DH, TH
constexpr std::size_t KvBigKeySize = 1000000; // BH
constexpr std::size_t KvMaximumPasswordBytes = 1000;

// The key material of an open database. BH is held enciphered under DH; the
// password slot never holds the password, only 32 random characters once the
// keys are derived, and is empty while no database is open.
struct TKeyMaterial {
    TByteArray A_GLOBAL_SH1;
    TByteArray A_GLOBAL_SH2;
    TByteArray A_GLOBAL_DH;
    TByteArray A_GLOBAL_TH;
    TByteArray A_GLOBAL_BH;
    std::string s_GLOBAL_MP;

    // All five arrays to zero bytes at their full lengths, the slot emptied.
    void Wipe();
};

// The message for a password whose UTF-8 form exceeds 1000 bytes.
extern const char* const KvPasswordTooLongText;
extern const char* const KvPasswordEmptyText;

// Derives all key material from the main password (UTF-8). Returns an error
// text, empty on success; on an error nothing in `keys` has changed.
std::string KvDeriveKeyMaterial(const std::string& mainPassword, TKeyMaterial& keys);

// The parts, each a 1000-byte array; an empty password leaves `out` alone.
void KvDeriveKeySH1(const std::string& MP, TByteArray& out);
void KvDeriveKeySH2(const std::string& MP, TByteArray& out);
void KvDeriveKeyDH(const std::string& MP, TByteArray& out);
void KvDeriveKeyTH(const std::string& MP, TByteArray& out);
// One million bytes from DH and TH; inputs shorter than 1000 bytes leave `out` alone.
void KvExpandKeyBH(const TByteArray& X, const TByteArray& Y, TByteArray& out);

// --- Payload encryption ------------------------------------------------------------

extern const char* const KvWrongPasswordText;

// A deciphered copy K of BH (wipe it after use).
TByteArray KvUnwrapKey(const TByteArray& BH, const TByteArray& DH);

// Encrypts (adding 2000 bytes) or decrypts P in place. Returns an error text,
// empty on success. An empty P stays empty: it is no payload (every saved
// tree text holds at least its frame), and decrypting it fails. A failed decryption returns
// KvWrongPasswordText and leaves P empty: nothing of a failed check ever comes back as plaintext.
std::string KvCryptPayload(TByteArray& P, const TByteArray& K, const TByteArray& TH,
                           const TByteArray& SH1, const TByteArray& SH2, bool encrypt);

// The layers, in the order KvCryptPayload uses them.
void KvPayloadTransform(TByteArray& P, const TByteArray& K, bool forward);
std::uint16_t KvPayloadRounds(std::size_t length);
void KvAddEnvelope(TByteArray& P, const TByteArray& SH1);
bool KvRemoveEnvelope(TByteArray& P, const TByteArray& SH1);
bool KvRandomBlockLayer(TByteArray& P, const TByteArray& K, const TByteArray& TH,
                        const TByteArray& SH2, bool forward);
void KvKeystreamXor(TByteArray& P, const TByteArray& K, const TByteArray& TH,
                    const TByteArray& Blk);
