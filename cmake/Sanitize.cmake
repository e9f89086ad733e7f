# Every finding aborts. `undefined` checks no float division by zero, nor (GCC)
# doubles rounded to infinite floats: a period of 0 and out-of-range doubles do
# both, IEEE-defined and intended, so neither check is ever added.
if(TSFILTERS_SANITIZE)
  add_compile_options(-fsanitize=${TSFILTERS_SANITIZE} -fno-sanitize-recover=all -fno-omit-frame-pointer)
  add_link_options(-fsanitize=${TSFILTERS_SANITIZE})
endif()
