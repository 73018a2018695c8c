// The page's end of the sound outputs (audio.cpp): one AudioContext, and per
// open output a node that plays a ring of sound frames. The C++ side writes
// frames as the sound library mixes them and reads back how far the node has
// played, which is what sets the outputs' done flags and play positions.
//
// The ring is read on the audio thread by an AudioWorklet where the browser
// has one (a secure context), else by a script processor on the main thread.
// Without shared memory between the two threads (a plain static host cannot
// give the isolation it needs), frames travel to the worklet in messages and
// the worklet reports its read position back every few blocks; between two
// reports the main thread counts on at the output rate.
//
// Frames are numbered from the output's open. A queued output (wave-out)
// appends and its reader waits for the next frame when the ring runs dry; a
// clocked output (the circular buffer) places frames at the number the sound
// card reaches them and its reader moves on in time whether or not they came,
// as a sound card does.

/* global Module, HEAPU8 */
var solvaneAudio = (function () {
  'use strict';

  // The ring and its reader, shared by the worklet (through its source text)
  // and the script processor. Source frames at `rate` are read at the
  // context's rate `outputRate`, linearly interpolated when they differ.
  class SoundRing {
    constructor(rate, outputRate, clocked) {
      this.capacity = Math.max(1 << 16, 1 << Math.ceil(Math.log2(rate * 4)));
      this.left = new Float32Array(this.capacity);
      this.right = new Float32Array(this.capacity);
      this.step = rate / outputRate;
      this.clocked = clocked;
      this.read = 0;  // source frames played, with the fraction between two
      this.end = 0;   // one past the last frame written
    }

    write(frame, left, right) {
      const mask = this.capacity - 1;
      for (let i = 0; i < left.length; ++i) {
        this.left[(frame + i) & mask] = left[i];
        this.right[(frame + i) & mask] = right[i];
      }
      this.end = Math.max(this.end, frame + left.length);
    }

    // Forgets every frame not yet played.
    drop() {
      this.left.fill(0);
      this.right.fill(0);
      this.end = Math.ceil(this.read);
      this.read = this.end;
    }

    render(outLeft, outRight) {
      const mask = this.capacity - 1;
      for (let i = 0; i < outLeft.length; ++i) {
        const whole = Math.floor(this.read);
        const fraction = this.read - whole;
        const ready = whole < this.end && (fraction === 0 || whole + 1 < this.end);
        if (!ready && !this.clocked) {
          outLeft[i] = outRight[i] = 0;  // the queue ran dry: wait for the next frame
          continue;
        }
        const a = whole & mask, b = (whole + 1) & mask;
        outLeft[i] = this.left[a] + (this.left[b] - this.left[a]) * fraction;
        outRight[i] = this.right[a] + (this.right[b] - this.right[a]) * fraction;
        this.read += this.step;
        // Played frames are cleared, so that a clocked ring the writer has
        // not refilled plays silence rather than the sound of a lap ago.
        for (let k = whole; k < Math.floor(this.read); ++k) {
          this.left[k & mask] = 0;
          this.right[k & mask] = 0;
        }
      }
    }
  }

  const reportEveryBlocks = 2;  // 256 frames at the worklet's 128-frame blocks

  // Runs in the AudioWorkletGlobalScope, where SoundRing arrives as source text.
  function workletSource() {
    class RingProcessor extends AudioWorkletProcessor {
      constructor(options) {
        super();
        const o = options.processorOptions;
        this.ring = new SoundRing(o.rate, sampleRate, o.clocked);
        this.blocks = 0;
        this.port.onmessage = (event) => {
          const m = event.data;
          if (m.kind === 'write')
            this.ring.write(m.frame, m.left, m.right);
          else if (m.kind === 'drop')
            this.ring.drop();
        };
      }
      process(inputs, outputs) {
        const out = outputs[0];
        this.ring.render(out[0], out[1] || out[0]);
        if (++this.blocks % REPORT_EVERY_BLOCKS === 0)
          this.port.postMessage(this.ring.read);
        return true;
      }
    }
    registerProcessor('solvane-ring', RingProcessor);
  }

  // One context for the page, shared by every program instance it makes (the
  // show page makes one per "GO!"). Making it can take most of a second, so
  // a page makes it early with warmUp(); it stays suspended until a click
  // lets it run (prepare()).
  const shared = globalThis.solvaneAudioShared =
      globalThis.solvaneAudioShared || {context: null, workletReady: false, warm: null};
  const outputs = new Map();
  let nextHandle = 1;

  // Makes the context and loads the worklet, once per page; resolves when done.
  function warmUp() {
    if (shared.warm)
      return shared.warm;
    const AudioContextClass = globalThis.AudioContext || globalThis.webkitAudioContext;
    if (!AudioContextClass)
      return (shared.warm = Promise.resolve());
    const context = shared.context = new AudioContextClass({latencyHint: 'interactive'});
    shared.warm = (async () => {
      if (!context.audioWorklet)
        return;
      const source = SoundRing.toString() + '\nconst REPORT_EVERY_BLOCKS = ' + reportEveryBlocks + ';\n(' +
                     workletSource.toString() + ')();\n';
      const url = URL.createObjectURL(new Blob([source], {type: 'text/javascript'}));
      try {
        await context.audioWorklet.addModule(url);
        shared.workletReady = true;
      } catch (error) {
        shared.workletReady = false;  // the script processor takes over
      } finally {
        URL.revokeObjectURL(url);
      }
    })();
    return shared.warm;
  }

  // Lets the context run; resolves to whether sound plays. Call it from a
  // user gesture (a click), where browsers allow sound to start.
  async function prepare() {
    await warmUp();
    const context = shared.context;
    if (!context)
      return false;
    if (context.state !== 'running') {
      // A browser that wants a gesture first leaves the promise pending.
      await Promise.race([context.resume(), new Promise((resolve) => setTimeout(resolve, 300))]);
    }
    return context.state === 'running';
  }

  function available() {
    return shared.context !== null && shared.context.state === 'running';
  }

  // Seconds of sound between the ring's reader and the ear.
  function outputLatency() {
    const context = shared.context;
    return context ? (context.baseLatency || 0) + (context.outputLatency || 0) : 0;
  }

  function open(rate, clocked) {
    if (!available())
      return 0;
    const context = shared.context;
    const output = {rate: rate, clocked: clocked, written: 0, reported: 0, reportedAt: 0, lastPlayed: 0, node: null,
                    ring: null};
    if (shared.workletReady) {
      output.node = new AudioWorkletNode(context, 'solvane-ring', {
        numberOfInputs: 0,
        numberOfOutputs: 1,
        outputChannelCount: [2],
        processorOptions: {rate: rate, clocked: clocked},
      });
      output.node.port.onmessage = (event) => {
        output.reported = event.data;
        output.reportedAt = performance.now();
      };
    } else {
      output.ring = new SoundRing(rate, context.sampleRate, clocked);
      output.node = context.createScriptProcessor(1024, 0, 2);
      output.node.onaudioprocess = (event) => {
        output.ring.render(event.outputBuffer.getChannelData(0), event.outputBuffer.getChannelData(1));
      };
    }
    output.reportedAt = performance.now();
    output.node.connect(context.destination);
    const handle = nextHandle++;
    outputs.set(handle, output);
    return handle;
  }

  // Frames of 8-bit unsigned or 16-bit signed little-endian samples, mono or
  // stereo, from the module's memory, to be played from frame `frame` on (a
  // negative frame: after the last written).
  function write(handle, pointer, bytes, channels, bits, frame) {
    const output = outputs.get(handle);
    if (!output)
      return;
    const bytesPerFrame = channels * bits / 8;
    const frames = Math.floor(bytes / bytesPerFrame);
    const left = new Float32Array(frames), right = new Float32Array(frames);
    const at = frame < 0 ? output.written : frame;
    // Read byte by byte: the memory view may have been replaced by growth,
    // and a 16-bit view would need an even address.
    const bytesIn = HEAPU8.subarray(pointer, pointer + frames * bytesPerFrame);
    const sample = bits === 16 ? (i) => ((bytesIn[2 * i] | (bytesIn[2 * i + 1] << 8)) << 16 >> 16) / 32768
                               : (i) => (bytesIn[i] - 128) / 128;
    for (let i = 0; i < frames; ++i) {
      left[i] = sample(i * channels);
      right[i] = sample(i * channels + channels - 1);
    }
    output.written = Math.max(output.written, at + frames);
    if (output.ring)
      output.ring.write(at, left, right);
    else
      output.node.port.postMessage({kind: 'write', frame: at, left: left, right: right}, [left.buffer, right.buffer]);
  }

  // Source frames the node has played; never decreases.
  function played(handle) {
    const output = outputs.get(handle);
    if (!output)
      return 0;
    let frames;
    if (output.ring) {
      frames = output.ring.read;
    } else {
      const running = shared.context.state === 'running';
      const since = running ? (performance.now() - output.reportedAt) / 1000 : 0;
      frames = output.reported + since * output.rate;
      if (!output.clocked)
        frames = Math.min(frames, output.written);
    }
    output.lastPlayed = Math.max(output.lastPlayed, Math.floor(frames));
    return output.lastPlayed;
  }

  function drop(handle) {
    const output = outputs.get(handle);
    if (!output)
      return;
    if (output.ring)
      output.ring.drop();
    else
      output.node.port.postMessage({kind: 'drop'});
    output.written = Math.max(output.lastPlayed, played(handle));
  }

  function close(handle) {
    const output = outputs.get(handle);
    if (!output)
      return;
    output.node.disconnect();
    if (output.node.port)
      output.node.port.onmessage = null;
    outputs.delete(handle);
  }

  // Stops and restarts the sound card (the page's pause button): nothing is
  // played or counted meanwhile.
  function pause(paused) {
    const context = shared.context;
    if (!context)
      return Promise.resolve();
    return paused ? context.suspend() : context.resume();
  }

  return {
    warmUp: warmUp,
    prepare: prepare,
    available: available,
    outputLatency: outputLatency,
    open: open,
    write: write,
    played: played,
    drop: drop,
    close: close,
    pause: pause,
    SoundRing: SoundRing,
  };
})();
Module['solvaneAudio'] = solvaneAudio;
