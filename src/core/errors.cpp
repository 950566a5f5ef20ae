#include "core/errors.h"

#include <cfloat>
#include <cmath>

namespace tuma {

ConversionError invalidInteger(const std::string& text)
{
    return ConversionError("'" + text + "' is not a valid integer value");
}

ConversionError invalidFloat(const std::string& text)
{
    return ConversionError("'" + text + "' is not a valid floating point value");
}

static double finiteOrRaise(double r)
{
    if (std::isnan(r))
        throw FloatInvalidOperation();
    if (std::isinf(r))
        throw FloatOverflow();
    return r;
}

double checkedDiv(double a, double b)
{
    if (std::isnan(a) || std::isnan(b))
        throw FloatInvalidOperation();
    if (b == 0.0) {
        if (a == 0.0)
            throw FloatInvalidOperation();
        throw FloatDivisionByZero();
    }
    return finiteOrRaise(a / b);
}

double checkedMul(double a, double b) { return finiteOrRaise(a * b); }
double checkedAdd(double a, double b) { return finiteOrRaise(a + b); }
double checkedExp(double a) { return finiteOrRaise(std::exp(a)); }

double checkedLog(double a)
{
    if (a == 0.0)
        throw FloatDivisionByZero();
    if (a < 0.0 || std::isnan(a))
        throw FloatInvalidOperation();
    return finiteOrRaise(std::log(a));
}

float toSingle(double v)
{
    finiteOrRaise(v);
    // Values that round to FLT_MAX are fine; beyond the rounding boundary is overflow.
    if (std::fabs(v) > static_cast<double>(FLT_MAX)) {
        float f = static_cast<float>(v);
        if (std::isinf(f))
            throw FloatOverflow();
        return f;
    }
    return static_cast<float>(v);
}

} // namespace tuma
