#pragma once
// The short click every command plays before it runs. Without an audio device, or before
// the program enables it (tests never do), it stays silent.
namespace vexa {

void enableClickSound(bool on);
void SonidoClic();

}  // namespace vexa
