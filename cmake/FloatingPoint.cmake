# Results are fixed to the bit: no contraction into fused multiply-adds, no
# fast-math reassociation, and SSE2 rather than the x87 on 32-bit x86.

string(JOIN " " flags ${CMAKE_C_FLAGS} ${CMAKE_CXX_FLAGS} ${CMAKE_CXX_FLAGS_RELEASE}
       ${CMAKE_CXX_FLAGS_RELWITHDEBINFO} ${CMAKE_CXX_FLAGS_DEBUG})
if(flags MATCHES "-ffast-math|-Ofast|-funsafe-math-optimizations|-fassociative-math")
  message(FATAL_ERROR "The compiler flags hold '${CMAKE_MATCH_0}', which changes results; remove it.")
endif()

if(CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang")
  add_compile_options(-ffp-contract=off)
  if(CMAKE_SIZEOF_VOID_P EQUAL 4 AND CMAKE_SYSTEM_PROCESSOR MATCHES "^(i.86|x86|X86|AMD64|x86_64)$")
    add_compile_options(-msse2 -mfpmath=sse)
  endif()
elseif(MSVC)
  add_compile_options(/fp:precise)
endif()
