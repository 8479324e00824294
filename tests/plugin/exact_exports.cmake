# Fails unless `library` exports exactly the symbols `expected` names, in any order; shared by
# the checks of the Linux library and of the Windows DLL.
function(expect_exact_exports library exported expected)
    list(SORT exported)
    list(SORT expected)
    if(NOT exported STREQUAL expected)
        message(FATAL_ERROR "${library} exports [${exported}], expected exactly [${expected}]")
    endif()
endfunction()
