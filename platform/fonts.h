#pragma once
// The windows ask for "Verdana" and "Lucida Console"; where those are not
// installed, metric-close free fonts stand in for them.
namespace platform {
void installFontSubstitutes();
}
