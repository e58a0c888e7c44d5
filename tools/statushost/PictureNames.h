// Names of the 54 printer pictures BELDRA02 carries: bitmap resources that a
// host loads by name from the library.
#pragma once

extern const char* const kPictureNames[54];
