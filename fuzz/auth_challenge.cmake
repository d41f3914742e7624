# WWW-Authenticate challenges, the choice of a Digest challenge and its Authorization value.
ocellus_fuzzer(auth_challenge SOURCES ${CMAKE_CURRENT_LIST_DIR}/auth_challenge.cpp LINKS ocellus_monitor)
