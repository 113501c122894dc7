#pragma once
// The air valve: a pause of airDelay ms, all sixteen digital outputs high for airLength ms,
// then low, over and over until StopRequested is set.
namespace kelmo {

// The thread body. Negative airDelay or airLength count as 0.
void airThreadBody();

}  // namespace kelmo
