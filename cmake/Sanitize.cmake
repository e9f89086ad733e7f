# Sanitizer trees set TSFILTERS_SANITIZE (the fuzz harnesses use the same
# checks). Every finding aborts. `undefined` is deliberately kept as it is:
# it does not include float-divide-by-zero, nor with GCC float-cast-overflow
# (Clang's only checks conversions to integers). A period of 0 divides by
# zero, and out-of-range doubles rounded to float become infinities: both
# are IEEE-defined and intended here, so neither check is ever added.
if(TSFILTERS_SANITIZE)
  add_compile_options(-fsanitize=${TSFILTERS_SANITIZE} -fno-sanitize-recover=all
                      -fno-omit-frame-pointer)
  add_link_options(-fsanitize=${TSFILTERS_SANITIZE})
endif()
