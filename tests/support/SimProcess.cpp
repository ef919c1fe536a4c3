// Launcher of ondrel-sim for tests (being written).
