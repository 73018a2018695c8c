// The module player page: picks a module (dropped, chosen, or one of the
// bundled ones), plays it through the sound library compiled to WebAssembly,
// and shows where the song is. document.body.dataset carries the state
// (starting, idle, loading, ready, playing, paused, stopped, ended, error),
// the position and the row, for scripts and tests.
/* global solvaneAudio */
'use strict';

(() => {
  const serviceIntervalMs = 20;
  const modulePath = '/module';
  const $ = (id) => document.getElementById(id);
  const params = new URLSearchParams(location.search);

  let engine = null;       // the library's calls, once its WebAssembly is running
  let chosen = null;       // {name, bytes} of the module on the page
  let playStartedAt = 0;   // performance.now() when the current stretch of playing began
  let playedBefore = 0;    // milliseconds played before that stretch

  function setState(state) { document.body.dataset.state = state; }
  function state() { return document.body.dataset.state; }
  function showError(text) { $('error').textContent = text; }

  function setButtons() {
    const s = state();
    $('play').disabled = !chosen || s === 'playing' || s === 'loading';
    $('pause').disabled = s !== 'playing' && s !== 'paused';
    $('pause').textContent = s === 'paused' ? 'Resume' : 'Pause';
    $('stop').disabled = s !== 'playing' && s !== 'paused';
  }

  // The service pass runs from a worker's timer: the page's own timers slow
  // down to once a second in a hidden tab, which would starve the sound.
  const ticker = new Worker(URL.createObjectURL(new Blob(
      ['let timer = 0; onmessage = (e) => { clearInterval(timer); if (e.data > 0) timer = setInterval(() => postMessage(0), e.data); };'],
      {type: 'text/javascript'})));
  ticker.onmessage = service;
  function runTicker(on) { ticker.postMessage(on ? serviceIntervalMs : 0); }

  function formatTime(ms) {
    const seconds = Math.floor(ms / 1000);
    return Math.floor(seconds / 60) + ':' + String(seconds % 60).padStart(2, '0');
  }

  function elapsedMs() {
    return playedBefore + (state() === 'playing' ? performance.now() - playStartedAt : 0);
  }

  function showStatus(status) {
    const body = document.body.dataset;
    body.position = status.position;
    body.row = status.row;
    const songLength = engine.songLength();
    $('where').textContent = 'order ' + status.position + ' of ' + songLength + ', pattern ' + status.pattern +
                             ', row ' + status.row;
    const rows = Math.max(engine.patternRows(status.pattern), 1);
    $('progress').value = songLength > 0 ? Math.min((status.position + status.row / rows) / songLength, 1) : 0;
    $('elapsed').textContent = formatTime(elapsedMs());
  }

  function readStatus() {
    const at = engine.poll();
    const field = (i) => engine.getValue(at + 4 * i, 'i32');
    return {position: field(0), pattern: field(1), row: field(2), loops: field(4)};
  }

  function service() {
    if (!engine || state() !== 'playing')
      return;
    const status = readStatus();
    if (status.loops !== 0) {
      finish('ended');
      return;
    }
    showStatus(status);
  }

  function finish(endState) {
    runTicker(false);
    engine.stop();
    playedBefore = elapsedMs();
    setState(endState);
    if (endState === 'ended')
      $('progress').value = 1;
    setButtons();
  }

  // Puts a module on the page: loads it into the library and shows what it is.
  function choose(name, bytes) {
    if (state() === 'playing' || state() === 'paused')
      finish('stopped');
    showError('');
    engine.FS.writeFile(modulePath, bytes);
    engine.start();  // the silent device until a click lets sound start
    if (!engine.load(modulePath)) {
      chosen = null;
      setState('error');
      showError('"' + name + '": ' + engine.error());
      setButtons();
      return false;
    }
    chosen = {name: name, bytes: bytes};
    $('title').textContent = engine.title() || '(no title)';
    $('format').textContent = engine.format();
    $('channels').textContent = engine.channels();
    $('where').textContent = '–';
    $('progress').value = 0;
    $('elapsed').textContent = '0:00';
    playedBefore = 0;
    setState('ready');
    setButtons();
    return true;
  }

  async function play() {
    if (!chosen)
      return;
    const audible = await solvaneAudio.prepare();
    const heard = engine.start();
    $('device').textContent = heard ? 'Playing through the sound card' :
                              audible ? '' : 'The browser holds the sound back: press Play to hear it';
    // Moving to the sound card forgets the module: load it again.
    if (!engine.load(modulePath) || !engine.play()) {
      setState('error');
      showError('"' + chosen.name + '": ' + engine.error());
      setButtons();
      return;
    }
    playedBefore = 0;
    playStartedAt = performance.now();
    setState('playing');
    setButtons();
    runTicker(true);
  }

  async function pause() {
    if (state() === 'playing') {
      runTicker(false);
      playedBefore = elapsedMs();
      setState('paused');
      await solvaneAudio.pause(true);
    } else if (state() === 'paused') {
      await solvaneAudio.pause(false);
      playStartedAt = performance.now();
      setState('playing');
      runTicker(true);
    }
    setButtons();
  }

  async function chooseBundled(entry, andPlay) {
    setState('loading');
    setButtons();
    try {
      const response = await fetch('modules/' + encodeURIComponent(entry.file));
      if (!response.ok)
        throw new Error('the server answered ' + response.status);
      if (choose(entry.file, new Uint8Array(await response.arrayBuffer())) && andPlay)
        await play();
    } catch (error) {
      setState('error');
      showError('"' + entry.file + '" could not be fetched: ' + error.message);
      setButtons();
    }
  }

  async function chooseFile(file) {
    setState('loading');
    setButtons();
    try {
      choose(file.name, new Uint8Array(await file.arrayBuffer()));
    } catch (error) {
      setState('error');
      showError('"' + file.name + '" could not be read: ' + error.message);
      setButtons();
    }
  }

  function listModules(entries) {
    const list = $('modules');
    for (const entry of entries) {
      const item = document.createElement('li');
      const button = document.createElement('button');
      button.textContent = entry.file;
      button.addEventListener('click', () => chooseBundled(entry, true));
      const about = document.createElement('small');
      about.textContent = ' ' + entry.format.toUpperCase() + ' · ' + entry.origin + ' · licence ' + entry.licence;
      item.append(button, about);
      list.append(item);
    }
  }

  function wireControls() {
    $('play').addEventListener('click', play);
    $('pause').addEventListener('click', pause);
    $('stop').addEventListener('click', () => {
      finish('stopped');
      $('progress').value = 0;
    });
    $('file').addEventListener('change', (event) => {
      if (event.target.files.length > 0)
        chooseFile(event.target.files[0]);
    });
    const drop = $('drop');
    drop.addEventListener('dragover', (event) => {
      event.preventDefault();
      drop.classList.add('over');
    });
    drop.addEventListener('dragleave', () => drop.classList.remove('over'));
    drop.addEventListener('drop', (event) => {
      event.preventDefault();
      drop.classList.remove('over');
      if (event.dataTransfer.files.length > 0)
        chooseFile(event.dataTransfer.files[0]);
    });
  }

  async function ready() {
    engine = {
      FS: Module.FS,
      getValue: Module.getValue,
      start: Module.cwrap('playerStart', 'number', []),
      load: Module.cwrap('playerLoad', 'number', ['string']),
      play: Module.cwrap('playerPlay', 'number', []),
      stop: Module.cwrap('playerStop', null, []),
      poll: Module.cwrap('playerPoll', 'number', []),
      error: Module.cwrap('playerError', 'string', []),
      title: Module.cwrap('playerTitle', 'string', []),
      format: Module.cwrap('playerFormat', 'string', []),
      channels: Module.cwrap('playerChannels', 'number', []),
      songLength: Module.cwrap('playerSongLength', 'number', []),
      patternRows: Module.cwrap('playerPatternRows', 'number', ['number']),
    };
    wireControls();
    setState('idle');
    let entries = [];
    try {
      const response = await fetch('modules/index.json');
      if (response.ok)
        entries = await response.json();
    } catch (error) {
      entries = [];  // no bundled modules on this host: files can still be dropped
    }
    listModules(entries);
    const wanted = params.get('module');
    if (wanted !== null) {
      const entry = entries.find((e) => e.file === wanted);
      if (entry)
        await chooseBundled(entry, params.has('autostart'));
      else
        showError('There is no bundled module "' + wanted + '".');
    }
  }

  window.Module = {
    locateFile: (path) => path,
    onRuntimeInitialized: ready,
    onAbort: (what) => {
      setState('error');
      showError('The player stopped: ' + what);
    },
  };
  const script = document.createElement('script');
  script.src = 'corvid-player.js';
  script.onerror = () => {
    setState('error');
    showError('The player\'s program (corvid-player.js) could not be loaded.');
  };
  document.body.append(script);
})();
