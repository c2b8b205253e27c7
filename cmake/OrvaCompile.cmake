# Compiler flags shared by every OrvaScope target.
add_compile_options(-Wall -Wextra -Wpedantic)
if(ORVA_WERROR)
  add_compile_options(-Werror)
endif()
if(ORVA_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=all)
  add_link_options(-fsanitize=address,undefined)
endif()

# Hot numeric kernels (transforms, conversions) ask for this on their own target:
# -O3 lets GCC vectorise the inner loops; -fno-math-errno and
# -fno-trapping-math let it vectorise sqrt/log without changing IEEE results.
set(ORVA_KERNEL_FLAGS -O3 -fno-math-errno -fno-trapping-math)

# Hide everything but the explicitly exported C functions of a shared library.
function(orva_hidden_visibility target)
  set_target_properties(${target} PROPERTIES
    CXX_VISIBILITY_PRESET hidden
    VISIBILITY_INLINES_HIDDEN ON)
endfunction()
