// The exact test of differentiation is not part of this build yet: it
// writes nothing.

#include "comparisons/diff_inter_pop.h"

void DiffInterPop::make_all_tests()
{
}
