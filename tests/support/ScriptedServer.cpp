// Scripted device server for tests (being written).
