# Runs tonquelle-icon and compares every icon it draws with the committed one, byte for byte.
file(REMOVE_RECURSE ${OUTPUT})
file(MAKE_DIRECTORY ${OUTPUT})
execute_process(COMMAND ${TOOL} ${OUTPUT} RESULT_VARIABLE result)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "tonquelle-icon failed: ${result}")
endif()
foreach(icon tonquelle-16.png tonquelle-32.png tonquelle-48.png tonquelle-64.png
        tonquelle-128.png tonquelle-256.png tonquelle.svg)
    execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${OUTPUT}/${icon}
                    ${COMMITTED}/${icon} RESULT_VARIABLE different)
    if(different)
        message(FATAL_ERROR "${COMMITTED}/${icon} is not what tonquelle-icon draws "
                            "(${OUTPUT}/${icon}); regenerate the icons with: "
                            "cmake --build <build> --target tonquelle-resources")
    endif()
endforeach()
