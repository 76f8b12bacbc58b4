#pragma once

namespace tonquelle {

// The sine and cosine that define a sample's value (the sine shape, the sine's integral under
// frequency modulation): the C library's, within errors::LibraryTrigError of the true values
// for every finite x. NaN for an infinite or NaN x.
//
// mingw-w64's sin and cos (Windows) reduce the argument with the x87's 66-bit π: hundreds of
// units in the last place off near 10^3, millions near 10^6, and meaningless from 2^63 on.
// There these are the block kernels' own sine and cosine, which hold for every phase.
double LibrarySin(double x);
double LibraryCos(double x);

}  // namespace tonquelle
