#!/usr/bin/env node
// Turns the samples of bench/run.sh into the table of medians and the check of the goals.
//
//   report.js CORPORA_TSV SAMPLES_TSV CORES THREADS LOAD_BEFORE LOAD_AFTER
//
// CORPORA_TSV: corpus, symbols, SVG bytes, largest SVG bytes.
// SAMPLES_TSV: corpus, command, seconds, peak RSS in KiB, output bytes; one line a run.
'use strict';
const fs = require('fs');

// Goals on the reference machine; a ratio at or below the bound meets it.
const GOALS = [
  {corpus: 'small', peer: 'zip -9 -q -r', bound: 0.7},
  {corpus: 'scale', peer: 'zip -9 -q -r', bound: 0.7},
  {corpus: 'large', peer: 'tar | gzip -9', bound: 0.6},
  {corpus: 'large', peer: /^tar \| pigz/, bound: 1.1},
];
// Reading back: verify on every core against gzip -t over the same members on one.
const READ_GOAL = {corpus: 'large', command: 'zavinspect verify', peer: 'gzip -t', bound: 1.2};
// The whole front end (import, compile, clean-up) against the compile alone.
const FRONTEND_GOAL = {corpus: 'frontend', command: 'Orlindo --batch', bound: 2};
const READ = 'read:';
const LINEAR_SLACK = 1.1;     // scale may take 10 % more than symbols × small's time
const INDEX_FACTOR = 2;       // the index text, held whole, and its member growing by half
const RSS_SLACK_BYTES = 1024 * 1024;
const ZAVBUILD = 'zavbuild';

function readTsv(file) {
  return fs.readFileSync(file, 'utf8').split('\n').filter((l) => l).map((l) => l.split('\t'));
}

function median(values) {
  const sorted = [...values].sort((a, b) => a - b);
  const mid = sorted.length >> 1;
  return sorted.length % 2 ? sorted[mid] : (sorted[mid - 1] + sorted[mid]) / 2;
}

const MiB = 1024 * 1024;
const pad = (text, width) => String(text).padStart(width);
const padEnd = (text, width) => String(text).padEnd(width);

function main() {
  const [corporaFile, samplesFile, cores, threads, loadBefore, loadAfter] = process.argv.slice(2);
  const corpora = readTsv(corporaFile).map(([name, symbols, bytes, largest, index]) =>
    ({name, symbols: Number(symbols), bytes: Number(bytes), largest: Number(largest),
      index: Number(index)}));
  const byCommand = new Map();  // "corpus\tcommand" -> {seconds[], rss[], output}
  const commandsOf = new Map();
  for (const [corpus, command, seconds, rssKiB, outputBytes] of readTsv(samplesFile)) {
    const key = corpus + '\t' + command;
    if (!byCommand.has(key)) {
      byCommand.set(key, {seconds: [], rss: [], output: Number(outputBytes)});
      if (!commandsOf.has(corpus)) commandsOf.set(corpus, []);
      commandsOf.get(corpus).push(command);
    }
    byCommand.get(key).seconds.push(Number(seconds));
    byCommand.get(key).rss.push(Number(rssKiB) * 1024);
  }
  const stat = (corpus, command) => {
    const s = byCommand.get(corpus + '\t' + command);
    return s && {seconds: median(s.seconds), rss: median(s.rss), output: s.output, runs: s.seconds.length};
  };

  const runs = Math.max(...[...byCommand.values()].map((s) => s.seconds.length));
  console.log('');
  console.log(`${cores} cores, zavbuild threads: ${threads || 'default (one per core)'}; ` +
              `median of ${runs} runs, commands alternating; ` +
              `load average ${loadBefore} before, ${loadAfter} after`);
  console.log('');
  const header = padEnd('corpus', 7) + pad('symbols', 8) + pad('SVG MB', 8) + '  ' +
      padEnd('command', 20) + pad('time s', 8) + pad('RSS MB', 8) + pad('out MB', 8) +
      pad('zavbuild/this', 15);
  console.log(header);
  console.log('-'.repeat(header.length));
  for (const corpus of corpora) {
    const own = stat(corpus.name, ZAVBUILD);
    (commandsOf.get(corpus.name) || []).forEach((command, i) => {
      const s = stat(corpus.name, command);
      const ratio = own && command !== ZAVBUILD ? (own.seconds / s.seconds).toFixed(2) : '';
      console.log(
          padEnd(i ? '' : corpus.name, 7) + pad(i ? '' : corpus.symbols, 8) +
          pad(i ? '' : (corpus.bytes / MiB).toFixed(1), 8) + '  ' + padEnd(command, 20) +
          pad(s.seconds.toFixed(3), 8) + pad((s.rss / MiB).toFixed(1), 8) +
          pad((s.output / MiB).toFixed(1), 8) + pad(ratio, 15));
    });
  }

  const verdict = (met) => (met ? 'met' : 'NOT MET');
  const reading = corpora.filter((c) => commandsOf.has(READ + c.name));
  if (reading.length) {
    console.log('');
    console.log('Reading the library back (' + READ_GOAL.peer + ' over its side files, on one thread)');
    console.log('');
    const readHeader = padEnd('corpus', 7) + pad('lib MB', 8) + '  ' + padEnd('command', 20) + pad('time s', 8) +
        pad('RSS MB', 8) + pad('this/' + READ_GOAL.peer, 15);
    console.log(readHeader);
    console.log('-'.repeat(readHeader.length));
    for (const corpus of reading) {
      const key = READ + corpus.name;
      const peer = stat(key, READ_GOAL.peer);
      const library = stat(key, READ_GOAL.command);
      commandsOf.get(key).forEach((command, i) => {
        const s = stat(key, command);
        const ratio = peer && command !== READ_GOAL.peer ? (s.seconds / peer.seconds).toFixed(2) : '';
        console.log(padEnd(i ? '' : corpus.name, 7) + pad(i || !library ? '' : (library.output / MiB).toFixed(1), 8) +
                    '  ' + padEnd(command, 20) + pad(s.seconds.toFixed(3), 8) + pad((s.rss / MiB).toFixed(1), 8) +
                    pad(ratio, 15));
      });
    }
  }
  const lines = [];
  for (const goal of GOALS) {
    const own = stat(goal.corpus, ZAVBUILD);
    const peer = (commandsOf.get(goal.corpus) || []).find((c) =>
      typeof goal.peer === 'string' ? c === goal.peer : goal.peer.test(c));
    if (!own || !peer) continue;
    const ratio = own.seconds / stat(goal.corpus, peer).seconds;
    lines.push(`${padEnd(goal.corpus, 6)} zavbuild / ${padEnd(peer, 18)} ${ratio.toFixed(2)}` +
               ` <= ${goal.bound.toFixed(2)}  ${verdict(ratio <= goal.bound)}`);
  }
  const find = (name) => corpora.find((c) => c.name === name);
  const small = find('small');
  const scale = find('scale');
  const ownSmall = small && stat('small', ZAVBUILD);
  const ownScale = scale && stat('scale', ZAVBUILD);
  if (ownSmall && ownScale) {
    const symbolFactor = scale.symbols / small.symbols;
    const timeFactor = ownScale.seconds / ownSmall.seconds;
    lines.push(`linear time: scale takes ${timeFactor.toFixed(2)} x small's time for ` +
               `${symbolFactor.toFixed(2)} x the symbols (<= ${(symbolFactor * LINEAR_SLACK).toFixed(2)})  ` +
               verdict(timeFactor <= symbolFactor * LINEAR_SLACK));
    // The index is held whole (its text, then its member): that part may grow.
    const growth = ownScale.rss - ownSmall.rss;
    const allowed = INDEX_FACTOR * (scale.index - small.index) + RSS_SLACK_BYTES;
    lines.push(`peak RSS: ${(ownSmall.rss / MiB).toFixed(1)} MB small, ` +
               `${(ownScale.rss / MiB).toFixed(1)} MB scale; it grows ${(growth / MiB).toFixed(1)} MB ` +
               `where the index grows ${((scale.index - small.index) / MiB).toFixed(1)} MB ` +
               `(<= ${(allowed / MiB).toFixed(1)})  ` + verdict(growth <= allowed));
  }
  const readKey = READ + READ_GOAL.corpus;
  const readOwn = stat(readKey, READ_GOAL.command);
  const readPeer = stat(readKey, READ_GOAL.peer);
  if (readOwn && readPeer) {
    const ratio = readOwn.seconds / readPeer.seconds;
    lines.push(`${padEnd(READ_GOAL.corpus, 6)} ${READ_GOAL.command} / ${READ_GOAL.peer}  ${ratio.toFixed(2)} <= ` +
               `${READ_GOAL.bound.toFixed(2)}  ${verdict(ratio <= READ_GOAL.bound)}`);
    lines.push(`peak RSS of zavinspect verify: ` +
               reading.map((c) => `${c.name} ${(stat(READ + c.name, READ_GOAL.command).rss / MiB).toFixed(1)} MB`)
                   .join(', '));
  }
  const frontend = stat(FRONTEND_GOAL.corpus, FRONTEND_GOAL.command);
  const frontendOwn = stat(FRONTEND_GOAL.corpus, ZAVBUILD);
  if (frontend && frontendOwn) {
    const ratio = frontend.seconds / frontendOwn.seconds;
    lines.push(`${FRONTEND_GOAL.corpus} ${FRONTEND_GOAL.command} / zavbuild  ${ratio.toFixed(2)} <= ` +
               `${FRONTEND_GOAL.bound.toFixed(2)}  ${verdict(ratio <= FRONTEND_GOAL.bound)}` +
               ` (${frontend.seconds.toFixed(3)} s / ${frontendOwn.seconds.toFixed(3)} s; peak RSS ` +
               `${(frontend.rss / MiB).toFixed(1)} MB, of the largest process)`);
  }
  const large = find('large');
  const ownLarge = large && stat('large', ZAVBUILD);
  if (ownLarge) {
    lines.push(`peak RSS, large: ${(ownLarge.rss / MiB).toFixed(1)} MB with symbols up to ` +
               `${(large.largest / MiB).toFixed(1)} MB`);
  }
  if (lines.length) {
    console.log('');
    console.log('Goals');
    for (const line of lines) console.log('  ' + line);
  }
}

main();
