// A library named like the driver that lacks nvapi_QueryInterface: what a
// broken or foreign nvapi.dll looks like to the program's binder.
extern "C" __declspec(dllexport) int vantrelisSimulatorWithoutQueryEntry() { return 0; }
