# What to build besides the library. As the top project vzgfx builds
# everything; taken into another project by add_subdirectory it builds the
# library alone, and needs neither GoogleTest nor Google Benchmark.
if(CMAKE_SOURCE_DIR STREQUAL PROJECT_SOURCE_DIR)
  set(VZGFX_IS_TOP_PROJECT ON)
else()
  set(VZGFX_IS_TOP_PROJECT OFF)
endif()

option(VZGFX_BUILD_TESTS "Build the tests (needs GoogleTest)" ${VZGFX_IS_TOP_PROJECT})
option(VZGFX_BUILD_TOOLS "Build the tools and benchmarks (needs Google Benchmark)" ${VZGFX_IS_TOP_PROJECT})
option(VZGFX_BUILD_APP "Build the particle simulation" ${VZGFX_IS_TOP_PROJECT})
option(VZGFX_BUILD_EXAMPLES "Build the example programs" ${VZGFX_IS_TOP_PROJECT})

# The tests run the simulation, the examples and the host tools, and link the
# simulation's library: they come with the tests.
if(VZGFX_BUILD_TESTS)
  foreach(part APP TOOLS EXAMPLES)
    if(NOT VZGFX_BUILD_${part})
      message(STATUS "vzgfx: VZGFX_BUILD_${part} is on because VZGFX_BUILD_TESTS is")
      set(VZGFX_BUILD_${part} ON)
    endif()
  endforeach()
endif()
# The tools measure the simulation.
if(VZGFX_BUILD_TOOLS AND NOT VZGFX_BUILD_APP)
  message(STATUS "vzgfx: VZGFX_BUILD_APP is on because VZGFX_BUILD_TOOLS is")
  set(VZGFX_BUILD_APP ON)
endif()
