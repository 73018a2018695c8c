// The show page: the setup form (what the show's setup window offers), then
// the show on the canvas, driven by the browser's animation frames inside
// solvane-show.wasm. document.body.dataset carries the state (starting,
// setup, loading, playing, ended, aborted, error), the music's position and
// row as the scenes read them, and the pictures presented (frames), for
// scripts and tests. index.html?autostart starts at once, without the form.
// window.solvaneShowTimes holds when GO was pressed, when the data and the
// sound output were ready, when the show had loaded, when the first picture
// came, each drawn pass's time spent drawing and presenting, and for each
// progress line when and in which animation frame it came (for the measures and checks
// of the browser tests).
/* global SolvaneShow */
'use strict';

(() => {
  const serviceIntervalMs = 20;
  const dataFiles = ['qorv.dat', 'qorv.xm'];
  const $ = (id) => document.getElementById(id);
  const params = new URLSearchParams(location.search);
  const body = document.body.dataset;

  let engine = null;       // the instance the next "GO!" runs (one show per instance)
  let running = null;      // the instance of the show on screen
  let dataBytes = null;    // promise of the data files' contents, fetched once
  let framesAtLastPass = 0;
  let bannerText = '';
  let animationFrames = 0;  // counted while the show loads
  const times = window.solvaneShowTimes = {go: 0, ready: 0, started: 0, firstPicture: 0, passes: [], progress: []};

  function setState(state) { body.state = state; }

  // The sound library's service pass runs from a worker's timer: the page's
  // own timers slow down to once a second in a hidden tab, and the animation
  // frames stop there, but the music must not starve.
  const ticker = new Worker(URL.createObjectURL(new Blob(
      ['let timer = 0; onmessage = (e) => { clearInterval(timer); if (e.data > 0) timer = setInterval(() => postMessage(0), e.data); };'],
      {type: 'text/javascript'})));
  ticker.onmessage = () => { if (running) running._showServiceSound(); };
  function runTicker(on) { ticker.postMessage(on ? serviceIntervalMs : 0); }

  function fetchData() {
    dataBytes = dataBytes || Promise.all(dataFiles.map(async (name) => {
      const response = await fetch(name);
      if (!response.ok)
        throw new Error(name + ' could not be loaded (' + response.status + ')');
      return new Uint8Array(await response.arrayBuffer());
    }));
    return dataBytes;
  }

  // The picture scaled by the largest whole step that fits the window (or
  // to fit it, or when even one step does not fit), aspect kept.
  function scaleCanvas() {
    const canvas = $('screen');
    const stage = $('stage');
    const room = Math.min(stage.clientWidth / canvas.width, stage.clientHeight / canvas.height);
    const scale = $('scaling').value === 'fit' || room < 1 ? room : Math.floor(room);
    canvas.style.width = Math.floor(canvas.width * scale) + 'px';
    canvas.style.height = Math.floor(canvas.height * scale) + 'px';
  }
  window.addEventListener('resize', scaleCanvas);
  document.addEventListener('fullscreenchange', scaleCanvas);

  // Message boxes over the page; the call that put one up has returned.
  function showMessage(text, caption) {
    $('messageCaption').textContent = caption;
    $('messageText').textContent = text;
    $('message').hidden = false;
    $('messageOk').focus();
  }
  $('messageOk').addEventListener('click', () => { $('message').hidden = true; });

  function countAnimationFrames() {
    ++animationFrames;
    if (body.state === 'loading' || body.state === 'playing' && !times.firstPicture)
      requestAnimationFrame(countAnimationFrames);
  }

  const checkedValue = (name) => {
    const checked = document.querySelector('input[name=' + name + ']:checked');
    return checked ? checked.value : '';
  };

  // The sound setup dialog's controls as the engine reads them (dialogs.cpp).
  function soundSetupValue(name) {
    switch (name) {
      case 'card': return $('card').value;
      case 'quality': return checkedValue('quality');
      case 'customMixing': return checkedValue('customMixing');
      case 'stereo': case 'neverUseDirectSound': return $(name).checked ? '1' : '0';
      case 'bufferLength': case 'directSoundBufferLength': case 'customRate': return $(name).value;
      default: return null;
    }
  }

  window.solvanePage = {
    showMessage: showMessage,
    addProgressLine: (line) => {
      $('progress').textContent += line + '\n';
      times.progress.push({line: line, frame: animationFrames, at: performance.now()});
    },
    // The loading is over and the display opens.
    hideSetup: () => {
      $('setup').hidden = true;
      times.started = performance.now();
      setState('playing');
    },
    soundSetupValue: soundSetupValue,
  };

  function showEnded(exitCode) {
    runTicker(false);
    running.solvaneAudio.pause(true);
    running = null;
    setState(exitCode === 0 ? 'aborted' : 'ended');
    $('stage').hidden = true;
    $('setup').hidden = false;
    prepareEngine();
  }

  function newEngine() {
    return SolvaneShow({
      locateFile: (path) => path,
      onPicture: () => {
        body.frames = Number(body.frames) + 1;
        if (!times.firstPicture)
          times.firstPicture = performance.now();
      },
      onPictureSize: scaleCanvas,
      onShowStatus: (position, row) => {
        body.position = position;
        body.row = row;
      },
      // Animation frames that presented no picture only looked at the clock.
      onPassTime: (ms) => {
        if (Number(body.frames) !== framesAtLastPass)
          times.passes.push(ms);
        framesAtLastPass = Number(body.frames);
      },
      onShowEnded: showEnded,
      onAbort: (what) => {
        setState('error');
        showMessage('The show stopped: ' + what, 'Error');
      },
    });
  }

  async function prepareEngine() {
    $('go').disabled = true;
    engine = await newEngine();
    $('go').disabled = false;
    return engine;
  }

  function fillForm(content) {
    document.title = content.title;
    $('title').textContent = content.title;
    const list = $('mode');
    for (const entry of content.modes)
      list.add(new Option(entry, entry));
    if (content.selected >= 0)
      list.selectedIndex = content.selected;
    $('mmx').disabled = !content.mmxAvailable;
    $('mmx').checked = content.useMmx;
    bannerText = content.banner.join('\n') + '\n';
    $('progress').textContent = bannerText;
    fillSoundSetup(content.sound);
  }

  // "Custom..." shows the custom dialog's controls in place.
  function showCustomQuality() {
    $('custom').hidden = checkedValue('quality') !== String(customQualityId);
  }
  let customQualityId = 0;

  function fillSoundSetup(sound) {
    $('soundTitle').textContent = sound.title;
    $('card').value = String(sound.card);
    const qualities = $('qualities');
    for (const quality of sound.qualities) {
      const label = document.createElement('label');
      const button = document.createElement('input');
      button.type = 'radio';
      button.name = 'quality';
      button.value = quality.id;
      button.checked = quality.id === sound.quality;
      button.addEventListener('change', showCustomQuality);
      label.append(button, ' ' + quality.text.replace('&', ''));
      qualities.append(label);
    }
    customQualityId = sound.qualities[sound.qualities.length - 1].id;
    for (const rate of sound.customRates)
      $('customRates').append(new Option(String(rate)));
    $('customRate').value = sound.customRate;
    document.querySelector('input[name=customMixing][value="' + sound.customMixing + '"]').checked = true;
    $('stereo').checked = sound.stereo;
    $('neverUseDirectSound').checked = sound.neverUseDirectSound;
    $('bufferLength').value = sound.bufferLength;
    $('directSoundBufferLength').value = sound.directSoundBufferLength;
    showCustomQuality();
  }

  async function go(event) {
    if (event)
      event.preventDefault();
    if (!engine || running)
      return;
    times.go = performance.now();
    times.firstPicture = 0;
    times.passes = [];
    times.progress = [];
    animationFrames = 0;
    $('progress').textContent = bannerText;
    body.frames = 0;
    framesAtLastPass = 0;
    setState('loading');
    requestAnimationFrame(countAnimationFrames);
    $('go').disabled = true;
    try {
      const [files] = await Promise.all([fetchData(), engine.solvaneAudio.prepare()]);
      files.forEach((bytes, i) => engine.FS.writeFile('/' + dataFiles[i], bytes));
    } catch (error) {
      setState('error');
      showMessage(String(error.message || error), 'Error');
      return;
    }
    times.ready = performance.now();
    running = engine;
    engine = null;
    runTicker(true);
    const start = running.cwrap('showStart', 'number', ['string', 'number', 'number']);
    // Full-screen needs the viewer's click: not with ?autostart.
    const fullscreen = $('fullscreen').checked && event !== undefined;
    start($('mode').value, $('mmx').checked ? 1 : 0, fullscreen ? 1 : 0);
    scaleCanvas();
  }

  async function load() {
    fetchData().catch(() => {});  // reported when GO needs them
    const first = await prepareEngine();
    fillForm(JSON.parse(first.UTF8ToString(first._showSetupContent())));
    $('form').addEventListener('submit', go);
    setState('setup');
    if (params.has('autostart'))
      go();
    else  // the sound output takes long to make: made now, started by "GO!"
      setTimeout(() => first.solvaneAudio.warmUp(), 0);
  }

  load().catch((error) => {
    setState('error');
    showMessage(String(error.message || error), 'Error');
  });
})();
