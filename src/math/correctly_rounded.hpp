// The library's own exp and cos, correctly rounded: the coefficients they
// feed are the same bits on every platform, compiler and processor.
#pragma once

#include "correctly_rounded_cos.hpp"
#include "correctly_rounded_exp.hpp"
