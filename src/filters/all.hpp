// Every filter's step and factory, for code that expands the filter table.
#pragma once

#include "filters/band_pass.hpp"
#include "filters/cybernetic_oscillator.hpp"
#include "filters/high_pass.hpp"
#include "filters/laguerre_filter.hpp"
#include "filters/laguerre_oscillator.hpp"
#include "filters/super_smoother.hpp"
#include "filters/ultimate_smoother.hpp"
