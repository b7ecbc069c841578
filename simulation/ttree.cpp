#include "simulation/ttree.h"

MY_TArrayAsVector<long> TNode::hits;
