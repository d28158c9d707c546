// The two evaluations behind the digit steps, for the steps themselves, their
// tests and the exception-table generator in tools/.
//
// The x87 path takes FSIN, FCOS and FSQRT from the processor and renders with
// 80-bit x87 arithmetic. The software path computes the same 80-bit values in
// integers: an exact square root, exactly rounded scaling, and a model of FSIN
// and FCOS (reduction by pi rounded to 66 bits, as the x87 unit reduces, then
// the correctly rounded sine or cosine of the reduced argument). Where that
// model's value would change a digit the steps read, a generated table gives
// the x87 value. Only the software path exists on processors without x87.
#pragma once

#include "U_KV_Hash_Standard_01_Extended.h"

#include <cstddef>
#include <cstdint>

// A rendered value v > 0 as 18 decimal digits (leading zeros possible) and a
// decimal exponent: v is about 0.digits * 10^exponent. Zero is {0, 0}.
struct KvDecimal18 {
    std::int64_t digits = 0;
    int exponent = 0;

    friend bool operator==(const KvDecimal18&, const KvDecimal18&) = default;
};

// The text of a decimal value: the digits cut half-up at the 21st decimal
// place, the integer part, '.', and 21 places. out holds kKvRenderBufferSize
// characters; returns the length.
int KvComposeDecimal(KvDecimal18 value, char* out);

// Characters firstChar ... 17 (6 <= firstChar <= 17) of the text of a sine or
// cosine value (at most one), reversed and read as an integer; and the digits
// of a square root (at least one) as KvSqrtDigits12 takes them.
std::int64_t KvTrigDigitSlice(KvDecimal18 value, int firstChar);
std::int64_t KvSqrtDigitsOf(KvDecimal18 value);

// --- Software path ------------------------------------------------------------

// The rendering's scaling to 18 digits; v below 10^40.
KvDecimal18 KvSoftToDecimal18(KvExtended v);

// The model of |FSIN x| or |FCOS x| for |x| < 2^63 given as |x| * 2^65 (so
// any x whose lowest bit is 2^-65 or above). No table is consulted.
KvExtended KvSoftSinCosModel(KvUInt128 magnitudeTimes2To65, bool cosine);

// |sin x| and |cos x| as the x87 unit computes them, for every |x| < 2^32
// as far as the digits the steps read are concerned; beyond, the model.
KvExtended KvSoftAbsSin(std::int64_t x);
KvExtended KvSoftAbsCos(std::int64_t x);

// The generated exception table: for each function, the magnitudes |x| < 2^32
// where the model's digits differ from the x87 unit's, with the number of
// representable steps from the model's value to the x87 value. Entries are
// sorted by argument and delta-coded: per entry a varint of the gap to the
// previous argument (the first counts from -1) and a varint of the zigzag-
// coded step count.
struct KvDigitExceptionTable {
    const std::uint8_t* data;
    std::size_t size;
    std::size_t entries;
};
extern const KvDigitExceptionTable kKvSinExceptions;
extern const KvDigitExceptionTable kKvCosExceptions;
// The arguments 0 ... kKvExceptionsCoveredBelow - 1 were compared when the
// table was generated (2^32 once the full run has finished).
extern const std::uint64_t kKvExceptionsCoveredBelow;
extern const char* const kKvExceptionsProcessor;

// The correction for a magnitude: steps to add to the model's value, 0 when
// the argument is not in the table.
std::int64_t KvSoftSinCorrection(std::uint64_t magnitude);
std::int64_t KvSoftCosCorrection(std::uint64_t magnitude);

// --- x87 path -----------------------------------------------------------------

#if defined(KEYVALE_DIGITS_X87)
// The x87 instructions themselves, on extended values. For |x| >= 2^63 the
// unit cannot reduce the argument and returns it unchanged.
long double KvX87Sin(long double x);
long double KvX87Cos(long double x);
long double KvX87Sqrt(long double x);

// The rendering's scaling with x87 arithmetic; v below 10^40.
KvDecimal18 KvX87ToDecimal18(long double v);
// R(|sin x|), R(|cos x|) and R(sqrt(|x| + 1)) as decimals, computed under
// the 64-bit precision control whatever the caller has set.
KvDecimal18 KvX87AbsSinDecimal(std::int64_t x);
KvDecimal18 KvX87AbsCosDecimal(std::int64_t x);
KvDecimal18 KvX87SqrtDecimal(std::int64_t x);

KvExtended KvX87ToExtended(long double v); // v >= 0
long double KvX87FromExtended(KvExtended v);
#endif
