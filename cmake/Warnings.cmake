# One set of warnings for every target of ours, errors when TESSMO_WERROR is on.
add_library(tessmo_warnings INTERFACE)
add_library(tessmo::warnings ALIAS tessmo_warnings)
target_compile_options(tessmo_warnings INTERFACE
  -Wall -Wextra -Wpedantic -Wshadow -Wconversion -Wsign-conversion -Wnon-virtual-dtor
  -Wold-style-cast -Woverloaded-virtual -Wnull-dereference -Wformat=2 -Wimplicit-fallthrough)
if(TESSMO_WERROR)
  target_compile_options(tessmo_warnings INTERFACE -Werror)
endif()
