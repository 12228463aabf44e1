// A library that loads but has no export with ordinal 2.
extern "C" int ordinal_3() {
  return 3;
}
