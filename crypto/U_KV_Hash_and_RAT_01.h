// The ciphers built from the RAT transforms and the KV hash: the text-field
// cipher, the table cipher and keyed rounds, the main-password key derivation
// and the layered payload encryption.
#pragma once

#include "U_KV_RAT_01.h"

#include <cstdint>
#include <string>

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
