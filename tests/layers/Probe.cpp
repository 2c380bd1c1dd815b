// Compiled only by the layer tests, inside a room's include root, with the header to try.
#include ORQ_PROBE_HEADER
