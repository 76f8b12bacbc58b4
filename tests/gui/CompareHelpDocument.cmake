# Runs tonquelle-helpdoc (through EMULATOR, when given) and compares its document with the
# committed one, byte for byte.
execute_process(COMMAND ${EMULATOR} ${TOOL} ${TEMPLATE} ${OUTPUT} RESULT_VARIABLE result)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "tonquelle-helpdoc failed: ${result}")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${OUTPUT} ${COMMITTED}
                RESULT_VARIABLE different)
if(different)
    message(FATAL_ERROR "${COMMITTED} is not what tonquelle-helpdoc makes (${OUTPUT}); "
                        "regenerate it with: cmake --build <build> --target tonquelle-resources")
endif()
