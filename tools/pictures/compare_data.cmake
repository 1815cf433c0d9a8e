# Converts the art into a fresh folder and compares the result byte for byte with dat/.
# Run by CTest with CONVERTER, ART_DIR, DAT_DIR and OUT_DIR set.
file(REMOVE_RECURSE ${OUT_DIR})
file(MAKE_DIRECTORY ${OUT_DIR})
execute_process(COMMAND ${CONVERTER} convert ${ART_DIR} ${OUT_DIR} RESULT_VARIABLE status)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "the picture converter refused the art (exit status ${status})")
endif()
foreach(n 0 1 2)
    execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files
        ${OUT_DIR}/ms${n}.txt ${DAT_DIR}/ms${n}.txt RESULT_VARIABLE differs)
    if(NOT differs EQUAL 0)
        message(FATAL_ERROR "dat/ms${n}.txt differs from what tools/pictures/picture${n}.txt "
            "converts to; run: picture_converter convert tools/pictures dat")
    endif()
endforeach()
