# The certificate pin file reader and writer.
ocellus_fuzzer(certificate_pins SOURCES ${CMAKE_CURRENT_LIST_DIR}/certificate_pins.cpp LINKS ocellus_platform)
