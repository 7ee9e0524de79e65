# Read by ctest after the tests were discovered: the program's timed and click-driven window tests run alone.
set_tests_properties(
  "ProgramWindowTest.OpensItsWindowSwitchesScreensByClicksAndClosesLeavingTheRegistryAlone"
  "ProgramRepairTest.UncheckedProblemIsTheOnlyOneTheNextScanFindsAgain"
  "JourneyTest.AUsersWayThroughTheProgram"
  "Languages/ScanFlowProgramTest.ScansTheSamplePrefixFromHomeToResultsByClicks/en"
  "Languages/ScanFlowProgramTest.ScansTheSamplePrefixFromHomeToResultsByClicks/de"
  "Languages/ScanFlowProgramTest.ScansTheSamplePrefixFromHomeToResultsByClicks/ja"
  "ProgramWindowTest.ScheduledScanShowsItsPopUpAndEndsWhenItLeaves"
  PROPERTIES RUN_SERIAL TRUE)
