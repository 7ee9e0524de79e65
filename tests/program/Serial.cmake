# Read by ctest after the tests were discovered: the program's timed window test runs alone.
set_tests_properties(
  "ProgramWindowTest.OpensItsWindowSwitchesScreensByClicksAndClosesLeavingTheRegistryAlone"
  PROPERTIES RUN_SERIAL TRUE)
