# The library as other projects take it: one static library, vzgfx::vzgfx,
# holding the runtime, the graphics core, the drivers and the C++ face, with
# the public headers of include/vzgfx/ (the routines' own headers carry the
# records and stay inside). Installed with a CMake package, a pkg-config file,
# the particles program, the licence and the guide; packed by CPack as a .deb
# on Linux and a .zip for Windows.

include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

if(PROJECT_VERSION_PATCH STREQUAL "")
  set(VZGFX_VERSION_PATCH 0)
else()
  set(VZGFX_VERSION_PATCH ${PROJECT_VERSION_PATCH})
endif()
configure_file(${PROJECT_SOURCE_DIR}/include/vzgfx/version.h.in ${PROJECT_BINARY_DIR}/include/vzgfx/version.h @ONLY)

# The platform layers are compiled once more for this library: the internal
# libraries keep their own objects for the program and the tests.
add_library(vzgfx_package STATIC
  $<TARGET_OBJECTS:vzrt_core> $<TARGET_OBJECTS:vzgfx_core> $<TARGET_OBJECTS:vzgfx_face>
  ${VZ_RT_PLATFORM_SOURCES} ${VZ_GFX_PLATFORM_SOURCES} ${VZ_GFX_WINDOW_SOURCES})
set_target_properties(vzgfx_package PROPERTIES
  OUTPUT_NAME vzgfx EXPORT_NAME vzgfx
  ARCHIVE_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR}/package)
target_include_directories(vzgfx_package
  PRIVATE ${PROJECT_SOURCE_DIR}
  PUBLIC $<BUILD_INTERFACE:${PROJECT_SOURCE_DIR}/include> $<BUILD_INTERFACE:${PROJECT_BINARY_DIR}/include>
         $<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}>)
target_compile_features(vzgfx_package PUBLIC cxx_std_20)
target_link_libraries(vzgfx_package PUBLIC Threads::Threads ${VZ_GFX_WINDOW_LIBRARIES})
add_library(vzgfx::vzgfx ALIAS vzgfx_package)

install(TARGETS vzgfx_package EXPORT vzgfxTargets
        ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT library)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/include/vzgfx DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}
        COMPONENT library FILES_MATCHING PATTERN "*.h")
install(FILES ${PROJECT_BINARY_DIR}/include/vzgfx/version.h DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/vzgfx
        COMPONENT library)

set(VZGFX_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/vzgfx)
install(EXPORT vzgfxTargets NAMESPACE vzgfx:: DESTINATION ${VZGFX_CMAKE_DIR} COMPONENT library)
configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/vzgfxConfig.cmake.in
  ${PROJECT_BINARY_DIR}/package/vzgfxConfig.cmake INSTALL_DESTINATION ${VZGFX_CMAKE_DIR})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/package/vzgfxConfigVersion.cmake
  COMPATIBILITY SameMinorVersion)
install(FILES ${PROJECT_BINARY_DIR}/package/vzgfxConfig.cmake ${PROJECT_BINARY_DIR}/package/vzgfxConfigVersion.cmake
        DESTINATION ${VZGFX_CMAKE_DIR} COMPONENT library)

# pkg-config: the library is static, so its own dependencies are on the link line.
if(WIN32)
  set(VZGFX_PC_REQUIRES "")
  set(VZGFX_PC_LIBS "-luser32 -lgdi32 -lwinmm")
else()
  set(VZGFX_PC_REQUIRES "x11 xext xrandr gl glx")
  set(VZGFX_PC_LIBS "-pthread")
  if(CMAKE_DL_LIBS)
    string(APPEND VZGFX_PC_LIBS " -l${CMAKE_DL_LIBS}")
  endif()
endif()
# The file finds the prefix from its own place, so the installed tree can move.
file(RELATIVE_PATH VZGFX_PC_TO_PREFIX /prefix/${CMAKE_INSTALL_LIBDIR}/pkgconfig /prefix)
configure_file(${PROJECT_SOURCE_DIR}/cmake/vzgfx.pc.in ${PROJECT_BINARY_DIR}/package/vzgfx.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/package/vzgfx.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig
        COMPONENT library)

install(FILES ${PROJECT_SOURCE_DIR}/LICENSE ${PROJECT_SOURCE_DIR}/README.md
        DESTINATION ${CMAKE_INSTALL_DOCDIR} COMPONENT library)
install(FILES ${PROJECT_SOURCE_DIR}/docs/guide.md DESTINATION ${CMAKE_INSTALL_DOCDIR} COMPONENT library)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/docs/examples DESTINATION ${CMAKE_INSTALL_DOCDIR} COMPONENT library)

# Archives, only when vzgfx is the project being built.
if(VZGFX_IS_TOP_PROJECT)
  set(CPACK_PACKAGE_NAME vzgfx)
  set(CPACK_PACKAGE_VENDOR "vzgfx")
  set(CPACK_PACKAGE_CONTACT "vzgfx developers <vzgfx@localhost>")
  set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Graphics runtime with a software framebuffer, and a particle simulation")
  set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
  set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION}.${VZGFX_VERSION_PATCH})
  if(WIN32)
    set(CPACK_GENERATOR ZIP)
    if(CMAKE_SIZEOF_VOID_P EQUAL 4)
      set(CPACK_SYSTEM_NAME win32)
    else()
      set(CPACK_SYSTEM_NAME win64)
    endif()
  else()
    set(CPACK_GENERATOR DEB)
    set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
    set(CPACK_DEBIAN_PACKAGE_SECTION libdevel)
    # The program and the library's users need the X and GL client libraries.
    set(CPACK_DEBIAN_PACKAGE_DEPENDS "libx11-6, libxext6, libxrandr2, libgl1")
  endif()
  # Only what install() names: the program, the library, its headers and files.
  set(CPACK_COMPONENTS_ALL program library)
  set(CPACK_ARCHIVE_COMPONENT_INSTALL OFF)
  set(CPACK_DEB_COMPONENT_INSTALL OFF)
  set(CPACK_PACKAGE_DIRECTORY ${PROJECT_BINARY_DIR}/archives)
  include(CPack)
endif()
