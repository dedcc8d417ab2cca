#pragma once

// Raises the soft limit of open files to the hard one, so that many idle sockets cannot exhaust it.
// Call once at start, before any thread opens files.
void raiseOpenFileLimit();
