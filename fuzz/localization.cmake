# The localization file reader: group scan, item block, caption lookups.
ocellus_fuzzer(localization SOURCES ${CMAKE_CURRENT_LIST_DIR}/localization.cpp LINKS ocellus_localization)
