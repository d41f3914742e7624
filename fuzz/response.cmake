# Response accumulation, split, de-chunking and the Last-Modified decision.
ocellus_fuzzer(response SOURCES ${CMAKE_CURRENT_LIST_DIR}/response.cpp LINKS ocellus_monitor)
