extern "C" int ordinal_2() { return 42; }
extern "C" int named_entry() { return 7; }
