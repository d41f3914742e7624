# Location values resolved against camera addresses.
ocellus_fuzzer(redirect SOURCES ${CMAKE_CURRENT_LIST_DIR}/redirect.cpp LINKS ocellus_monitor)
