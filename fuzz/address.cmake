# Picture address parsing, request building and credential redaction.
ocellus_fuzzer(address SOURCES ${CMAKE_CURRENT_LIST_DIR}/address.cpp LINKS ocellus_monitor)
