# Third-party libraries, all from the system's packages.
find_package(Threads REQUIRED)
find_package(OpenSSL 3 REQUIRED)
find_package(nlohmann_json 3 REQUIRED)
find_package(PkgConfig REQUIRED)
pkg_check_modules(PCRE2 REQUIRED IMPORTED_TARGET libpcre2-8)
# Password hashes (Argon2id).
pkg_check_modules(SODIUM REQUIRED IMPORTED_TARGET libsodium)
# Brotli: the smallest compressed form of the built-in assets; the decoder checks it in tests.
pkg_check_modules(BROTLI REQUIRED IMPORTED_TARGET libbrotlienc libbrotlidec)

# The Firebird client ships no pkg-config or CMake package file.
find_path(FIREBIRD_INCLUDE_DIR firebird/Interface.h REQUIRED)
find_library(FIREBIRD_LIBRARY fbclient REQUIRED)
add_library(Firebird::fbclient UNKNOWN IMPORTED)
set_target_properties(Firebird::fbclient PROPERTIES
  IMPORTED_LOCATION ${FIREBIRD_LIBRARY}
  INTERFACE_INCLUDE_DIRECTORIES ${FIREBIRD_INCLUDE_DIR})

find_path(ASIO_INCLUDE_DIR asio.hpp REQUIRED)
add_library(asio INTERFACE)
target_include_directories(asio SYSTEM INTERFACE ${ASIO_INCLUDE_DIR})
target_compile_definitions(asio INTERFACE ASIO_STANDALONE ASIO_NO_DEPRECATED)
target_link_libraries(asio INTERFACE Threads::Threads)
