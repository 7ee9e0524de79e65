# Read by ctest after the tests were discovered: the program's timed and click-driven window tests run alone.
# The click-driven test programs are taken whole, by the lists their discovery leaves (a parameterised test's
# name carries its parameter's bytes, which differ from build to build).
set(mx_serial_program_tests
  "ProgramWindowTest.OpensItsWindowSwitchesScreensByClicksAndClosesLeavingTheRegistryAlone"
  "ProgramWindowTest.ScheduledScanShowsItsPopUpAndEndsWhenItLeaves")
foreach(list program_repair_tests_TESTS program_journey_tests_TESTS program_scanflow_tests_TESTS)
  if(DEFINED ${list})
    list(APPEND mx_serial_program_tests ${${list}})
  endif()
endforeach()
set_tests_properties(${mx_serial_program_tests} PROPERTIES RUN_SERIAL TRUE)
