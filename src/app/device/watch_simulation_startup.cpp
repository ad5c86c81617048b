// Every command honours --simulate-watch, the application itself included: its pages
// then find the simulated watch like a real one.
#include "app/commands.h"
#include "app/device/watch_cli.h"

namespace dorvath {
namespace {

StartupHookRegistrar reg(PrepareWatchSimulation);

}  // namespace
}  // namespace dorvath
