#pragma once
// The project's own demo song: about 36 seconds in A minor on four tracks (drums, hi-hats,
// bass, lead or chip chords), built with the DMF writer from synthesized instruments. It
// exercises the tempo effects (tick rate, tempo, beat, a closing tempo slide) and a wide set
// of track effects: volume slides, tone portamento and portamento, arpeggios, vibrato,
// tremolo, panning, panbrello, note cut and note off, retrigger, sample offset and delay,
// reverse, fine tune and the volume gate.

#include "dmf_writer/dmf_writer.h"

namespace tarnwick::demo {

writer::Song demo_song();
writer::Bytes demo_song_image();

}  // namespace tarnwick::demo
