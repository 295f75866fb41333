// The top-up run: puts the card's pending top-ups onto the card.
#include "app/FormCoinloft.h"

void TFormCoinloft::SpeedButton1Click(vcl::TObject *) {}
