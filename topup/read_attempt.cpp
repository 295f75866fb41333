// The read attempt: reads and verifies the card in the selected reader.
#include "app/FormCoinloft.h"

void TFormCoinloft::Button1Click(vcl::TObject *) {}
