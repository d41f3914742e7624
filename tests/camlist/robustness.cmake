# Robustness of the camera list: kill during rewrites, very large and odd lists.
add_executable(camlist_rewriter ${CMAKE_CURRENT_LIST_DIR}/camlist_rewriter.cpp)
target_link_libraries(camlist_rewriter PRIVATE ocellus_options ocellus_camlist)

ocellus_test(tst_camlist_kill
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_camlist_kill.cpp
    LINKS ocellus_camlist
    TIMEOUT 600)
add_dependencies(tst_camlist_kill camlist_rewriter)
target_compile_definitions(tst_camlist_kill PRIVATE
    OCELLUS_CAMLIST_REWRITER="$<TARGET_FILE:camlist_rewriter>")

ocellus_test(tst_camlist_large
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_camlist_large.cpp
    LINKS ocellus_camlist)
