// The program entry: builds the run's objects and hands them to the driver.
#include "driver/driver.h"
#include "driver/run.h"

int main(int argc, char** argv) {
  Run run;
  run.command_line = CommandLine{argc, argv};
  DesktopLauncher launcher;
  return RunProgram(run, launcher);
}
