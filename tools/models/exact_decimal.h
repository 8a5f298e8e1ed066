// An exact model of the x87 steps of FormatFixed and RoundToDigits. It shares
// no code with the routines: every product, quotient and sum is formed
// exactly on big integers and rounded to the working precision (24, 53 or 64
// significand bits) in one of the four x87 rounding modes, as the unit rounds
// under a given control word. Native only (it uses 128-bit integers).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace lumi::test {

class BigUint {
public:
    BigUint(std::uint64_t value = 0);

    int BitLength() const;
    bool Bit(int i) const;
    bool AnyBitBelow(int n) const;
    bool IsZero() const { return limbs_.empty(); }
    std::uint64_t Low64() const;

    BigUint operator<<(int n) const;
    BigUint operator>>(int n) const;
    friend BigUint operator+(const BigUint& a, const BigUint& b);
    friend BigUint operator-(const BigUint& a, const BigUint& b);  // a >= b
    friend BigUint operator*(const BigUint& a, const BigUint& b);
    // Quotient; the remainder goes to `remainder`.
    BigUint Divide(std::uint64_t divisor, std::uint64_t& remainder) const;
    friend int Compare(const BigUint& a, const BigUint& b);

private:
    std::uint32_t Limb(std::size_t i) const { return i < limbs_.size() ? limbs_[i] : 0; }
    void Trim();
    std::vector<std::uint32_t> limbs_;  // little-endian
};

// negative ? -mantissa : mantissa, times 2^exponent.
struct Exact {
    bool negative = false;
    BigUint mantissa;
    int exponent = 0;
};

// The x87 rounding modes, in the order of the control word's RC field.
enum class Rounding : std::uint8_t { Nearest, Down, Up, TowardZero };

// What a control word selects: significand bits and rounding mode.
struct X87Mode {
    int bits = 64;
    Rounding rounding = Rounding::Nearest;
};

Exact FromDouble(double value);  // finite values only
Exact FromInteger(std::int64_t value);
Exact Multiply(const Exact& a, const Exact& b);
Exact Add(const Exact& a, const Exact& b);
int Compare(const Exact& a, const Exact& b);  // both non-negative
Exact RoundToBits(const Exact& x, int bits, Rounding rounding);
Exact RoundToInteger(const Exact& x, Rounding rounding);
// a / b rounded to `bits`; b has at most 64 bits.
Exact Divide(const Exact& a, const Exact& b, int bits, Rounding rounding);
long double ToLongDouble(const Exact& x);  // at most 64 bits of mantissa
BigUint PowerOfTen(int power);

// FormatFixed's 18-digit image: value = 0.d1 ... d18 x 10^exponent.
struct ModelImage {
    int exponent = 0;
    std::uint64_t digits = 0;  // d1..d18 as one integer; 0 for the zero image
};

ModelImage ModelDecimalImage(double value, X87Mode mode);

// As DecimalImage holds them: no trailing zeros, empty for zero.
std::string ImageDigits(const ModelImage& image);

// FormatFixed's text; a separator of 0 writes nothing.
std::string ModelText(double value, std::int32_t digits, char separator, X87Mode mode);

// RoundToDigits' quotient at working precision, before the caller's store.
long double ModelRoundToDigits(double value, std::int32_t digits, X87Mode mode);

// What a rounding export answers: that quotient stored as a double, rounded
// in the mode's direction.
double ModelRoundToDigitsStored(double value, std::int32_t digits, X87Mode mode);

}  // namespace lumi::test
