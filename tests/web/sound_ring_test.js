// The ring the page's sound output plays from (platform/web/audio_output.js),
// under Node: what a queued and a clocked output play when the sound comes
// in time, late or not at all, and at another rate than the card's.
//   node tests/web/sound_ring_test.js
'use strict';

const assert = require('assert');
const fs = require('fs');
const path = require('path');
const vm = require('vm');

const source = fs.readFileSync(path.join(__dirname, '../../platform/web/audio_output.js'), 'utf8');
const scope = {Module: {}};
vm.runInNewContext(source, scope);
const SoundRing = scope.Module.solvaneAudio.SoundRing;

function frames(...values) { return Float32Array.from(values); }
function play(ring, count) {
  const left = new Float32Array(count), right = new Float32Array(count);
  ring.render(left, right);
  return Array.from(left);
}

const tests = {
  'a queued ring plays what was written, in order, then waits for more'() {
    const ring = new SoundRing(48000, 48000, false);
    ring.write(0, frames(0.1, 0.2), frames(0.1, 0.2));
    ring.write(2, frames(0.3), frames(0.3));
    assert.deepStrictEqual(play(ring, 5).map((v) => Math.round(v * 10)), [1, 2, 3, 0, 0]);
    assert.strictEqual(ring.read, 3, 'only frames that came count as played');
    ring.write(3, frames(0.4), frames(0.4));
    assert.strictEqual(Math.round(play(ring, 1)[0] * 10), 4, 'it goes on where it stopped');
  },

  'a clocked ring moves on in time, and sound that comes late is not played'() {
    const ring = new SoundRing(48000, 48000, true);
    assert.deepStrictEqual(play(ring, 4), [0, 0, 0, 0]);
    assert.strictEqual(ring.read, 4, 'the card counts frames it had nothing for');
    ring.write(2, frames(0.5, 0.5, 0.6, 0.7), frames(0, 0, 0, 0));
    assert.deepStrictEqual(play(ring, 2).map((v) => Math.round(v * 10)), [6, 7]);
  },

  'a clocked ring plays silence where the writer left a lap unrefreshed'() {
    const ring = new SoundRing(8000, 8000, true);
    const lap = ring.capacity;
    ring.write(0, frames(0.9), frames(0.9));
    play(ring, 1);
    for (let played = 1; played < lap; played += 4096)
      play(ring, Math.min(4096, lap - played));
    assert.strictEqual(ring.read, lap);
    assert.strictEqual(play(ring, 1)[0], 0, 'a lap later the old frame is gone');
  },

  'sound at another rate is read at the card\'s rate, between frames on a line'() {
    const ring = new SoundRing(22050, 44100, false);
    ring.write(0, frames(0, 1, 0), frames(0, 1, 0));
    assert.deepStrictEqual(play(ring, 4), [0, 0.5, 1, 0.5]);
    assert.strictEqual(ring.read, 2);
  },

  'dropping forgets what was not played, and writing goes on after it'() {
    const ring = new SoundRing(44100, 44100, false);
    ring.write(0, frames(0.1, 0.2, 0.3, 0.4), frames(0, 0, 0, 0));
    play(ring, 1);
    ring.drop();
    assert.deepStrictEqual(play(ring, 2), [0, 0]);
    ring.write(ring.end, frames(0.5), frames(0.5));
    assert.strictEqual(Math.round(play(ring, 1)[0] * 10), 5);
  },
};

let failed = 0;
for (const [name, test] of Object.entries(tests)) {
  try {
    test();
    console.log('ok    ' + name);
  } catch (error) {
    failed += 1;
    console.log('FAIL  ' + name + '\n      ' + error.message);
  }
}
process.exit(failed ? 1 : 0);
