#pragma once
// The trace goes to the C runtime's stdout. A GUI-subsystem program gets a usable
// stdout from the runtime when it is started with its output redirected (the runtime
// takes the handle its parent passed in STARTUPINFO); when the runtime found none but
// the process still has a standard output handle, stdout is reopened on that handle.
namespace tessmo::win32 {

// True when writes to stdout reach a system handle.
bool IsStdoutUsable();

// Makes stdout usable if the process has a standard output handle; returns
// IsStdoutUsable() afterwards. Without any handle the trace is dropped, as a GUI
// program's output is when nobody collects it.
bool EnsureStdoutUsable();

}  // namespace tessmo::win32
