// The terms of the arithmetic table's expressions, over a frame named `slots`.
// Included only around that table; every D(k) is exact, every operation on it
// runs at the working precision of the call.
#define D(k) static_cast<long double>(slots.Double(k))
#define I(k) slots.Int(k)
#define W(k) slots.Word(k)
#define Int32(x) static_cast<std::int32_t>(x)
