#undef D
#undef I
#undef W
#undef Int32
