# The installed package: `cmake --install BUILD --prefix PREFIX` puts the
# libraries in PREFIX/lib/fennix, the headers in PREFIX/include/fennix and
# this package's files in PREFIX/lib/cmake/Fennix, so that a host's
#   find_package(Fennix REQUIRED)
#   target_link_libraries(host PRIVATE Fennix::Host)
# builds against it (examples/embed does so in the test
# install.ExampleBuildsAgainstThePackage).
include(CMakePackageConfigHelpers)
set(FENNIX_PACKAGE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/Fennix)
install(EXPORT FennixTargets NAMESPACE Fennix:: DESTINATION ${FENNIX_PACKAGE_DIR})
configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/FennixConfig.cmake.in
                              ${CMAKE_BINARY_DIR}/package/FennixConfig.cmake
                              INSTALL_DESTINATION ${FENNIX_PACKAGE_DIR})
write_basic_package_version_file(${CMAKE_BINARY_DIR}/package/FennixConfigVersion.cmake
                                 VERSION 1.0 COMPATIBILITY SameMajorVersion)
install(FILES ${CMAKE_BINARY_DIR}/package/FennixConfig.cmake ${CMAKE_BINARY_DIR}/package/FennixConfigVersion.cmake
        DESTINATION ${FENNIX_PACKAGE_DIR})
