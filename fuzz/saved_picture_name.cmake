# Saved pictures' names read back into times, in a few locales.
ocellus_fuzzer(saved_picture_name SOURCES ${CMAKE_CURRENT_LIST_DIR}/saved_picture_name.cpp LINKS ocellus_history)
