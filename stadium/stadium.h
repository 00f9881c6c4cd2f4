// stadium.h - the stadium builder.
#ifndef QUELM_STADIUM_STADIUM_H
#define QUELM_STADIUM_STADIUM_H

#include "quelm.h"

// Fills the shared model with the whole stadium, in painting order.
void QUELMAPI MakeQuelm(MODEL *Model);

#endif
