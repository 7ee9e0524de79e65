#pragma once
// The program's own version resource, made from the build's version and registered with the platform's
// version calls, so that the program reads its version the way it reads any other file's.

// Registers the resource once per process; later calls do nothing.
void EnsureProgramVersionResource();
// Registers it again (tests that replaced it put it back).
void RegisterProgramVersionResource();
