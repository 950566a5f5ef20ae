#pragma once
// Errors that the conversions raise towards the event handlers. The texts are the
// ones the application's error display shows to the user.
#include <stdexcept>
#include <string>

namespace tuma {

class TumaError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A field text that does not convert.
class ConversionError : public TumaError {
public:
    using TumaError::TumaError;
};

// Floating-point faults are raised, never turned into infinities or NaNs.
class FloatError : public TumaError {
public:
    using TumaError::TumaError;
};

class FloatDivisionByZero : public FloatError {
public:
    FloatDivisionByZero() : FloatError("Floating point division by zero") { }
};

class FloatOverflow : public FloatError {
public:
    FloatOverflow() : FloatError("Floating point overflow") { }
};

class FloatInvalidOperation : public FloatError {
public:
    FloatInvalidOperation() : FloatError("Invalid floating point operation") { }
};

ConversionError invalidInteger(const std::string& text);
ConversionError invalidFloat(const std::string& text);

// Checked arithmetic: each operation raises instead of yielding inf/NaN.
double checkedDiv(double a, double b);
double checkedMul(double a, double b);
double checkedAdd(double a, double b);
double checkedExp(double a);
double checkedLog(double a);
// Rounding a double to single precision; out of range is an overflow.
float toSingle(double v);

} // namespace tuma
