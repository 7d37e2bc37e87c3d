#!/usr/bin/env node
// Makes one benchmark corpus from the unpacked @mdi/svg package: SVG symbols, a
// descriptor file beside each and "copyright.txt" at the root, as the front end's
// import leaves a symbol folder for the compiler.
//
//   make_corpus.js PACKAGE_DIR small|scale|large|frontend DEST
//
// small: every icon once, in folders named after its category ("Alpha / Numeric"
//        becomes Alpha/Numeric), 82 folders over three levels.
// scale: the small tree four times (copy1 .. copy4), every name made distinct, since
//        all side files land in one output folder.
// large: 200 maps of 200 KB to 2 MB, each a grid of icons joined into one drawing,
//        in a seeded order so that no two maps repeat within deflate's window.
// frontend: 16,000 symbols for Orlindo --batch: DEST/svg holds the symbols alone (the
//        import writes the descriptors), DEST/compiled the same symbols with the
//        descriptor files and copyright.txt the import writes (for zavbuild alone), and
//        DEST/definitions.json the table T_main for mdbwrite, one row per symbol.
'use strict';
const fs = require('fs');
const path = require('path');

const CRLF = '\r\n';
const COPYRIGHT = 'Material Design Icons by Pictogrammers, Apache License 2.0' + CRLF;
const LARGE_COUNT = 200;
const LARGE_MIN_BYTES = 200 * 1024;
const LARGE_MAX_BYTES = 2 * 1024 * 1024;

const FRONTEND_ROWS = 16000;

function usage() {
  process.stderr.write('usage: make_corpus.js PACKAGE_DIR small|scale|large|frontend DEST\n');
  process.exit(2);
}

function loadIcons(packageDir) {
  const meta = JSON.parse(fs.readFileSync(path.join(packageDir, 'meta.json'), 'utf8'));
  return meta.map((icon) => ({
    name: icon.name,
    id: icon.id,
    category: icon.tags.length ? icon.tags[0] : '',
    file: path.join(packageDir, 'svg', icon.name + '.svg'),
  }));
}

function captionOf(name) {
  return name.split('-').map((w) => w.charAt(0).toUpperCase() + w.slice(1)).join(' ');
}

function descriptorText(category, caption, uniqueId) {
  return '[INFO]' + CRLF + 'CATEGORY=' + category + CRLF + 'CAPTION=' + caption + CRLF +
      'UniqueID=' + uniqueId + CRLF;
}

// One folder level per part of the category; spaces stay, as users name folders so.
function folderOf(category) {
  if (!category) return 'Other';
  return path.join(...category.split(' / ').map((part) => part.replace(/[\/\\:]/g, '-')));
}

const madeFolders = new Set();
function writeSymbol(dest, folder, stem, bytes, category, uniqueId) {
  const dir = path.join(dest, folder);
  if (!madeFolders.has(dir)) {
    fs.mkdirSync(dir, {recursive: true});
    madeFolders.add(dir);
  }
  fs.writeFileSync(path.join(dir, stem + '.svg'), bytes);
  fs.writeFileSync(path.join(dir, stem + '.svg.inf'),
                   descriptorText(category, captionOf(stem), uniqueId));
}

function makeIconTrees(icons, dest, copies) {
  for (let copy = 1; copy <= copies; ++copy) {
    const root = copies === 1 ? '' : 'copy' + copy;
    const suffix = copies === 1 ? '' : '-' + copy;
    for (const icon of icons) {
      writeSymbol(dest, path.join(root, folderOf(icon.category)), icon.name + suffix,
                  fs.readFileSync(icon.file), icon.category, icon.id + suffix);
    }
  }
  return icons.length * copies;
}

// xorshift32: the same maps on every machine, unlike Math.random.
function makeRandom(seed) {
  let state = seed >>> 0 || 1;
  return () => {
    state ^= state << 13;
    state >>>= 0;
    state ^= state >>> 17;
    state ^= state << 5;
    state >>>= 0;
    return state;
  };
}

function pathDataOf(icon) {
  const text = fs.readFileSync(icon.file, 'utf8');
  const found = text.match(/<path d="([^"]*)"/);
  return found ? found[1] : '';
}

function makeLargeMaps(icons, dest) {
  const drawings = icons.map((icon) => ({name: icon.name, d: pathDataOf(icon)}))
                       .filter((drawing) => drawing.d.length > 0);
  const random = makeRandom(0x5eed);
  for (let i = 0; i < LARGE_COUNT; ++i) {
    // Sizes spread evenly over the range, shuffled over the folders by name.
    const target = LARGE_MIN_BYTES +
        Math.floor(((LARGE_MAX_BYTES - LARGE_MIN_BYTES) * i) / (LARGE_COUNT - 1));
    const columns = 100;
    const parts = [];
    let size = 0;
    let cell = 0;
    let pick = random() % drawings.length;
    const step = 1 + (random() % (drawings.length - 1));
    while (size < target) {
      const drawing = drawings[pick];
      pick = (pick + step) % drawings.length;
      const x = (cell % columns) * 24;
      const y = Math.floor(cell / columns) * 24;
      const part = '<g id="' + drawing.name + '-' + cell + '" transform="translate(' + x + ' ' +
          y + ')"><path d="' + drawing.d + '"/></g>\n';
      parts.push(part);
      size += part.length;
      ++cell;
    }
    const rows = Math.ceil(cell / columns);
    const name = 'map-' + String(i).padStart(3, '0');
    const svg = '<svg xmlns="http://www.w3.org/2000/svg" id="' + name + '" viewBox="0 0 ' +
        columns * 24 + ' ' + rows * 24 + '">\n' + parts.join('') + '</svg>\n';
    const folder = 'region' + (random() % 4 + 1);
    writeSymbol(dest, folder, name, svg, 'Map', 'MAP-' + i);
  }
  return LARGE_COUNT;
}

// The bytes the import writes: a new descriptor file holds section INFO and its two
// keys; copyright.txt is UTF-8 with its mark.
function importedDescriptor(category, caption) {
  return '[INFO]' + CRLF + 'CATEGORY=' + category + CRLF + 'CAPTION=' + caption + CRLF;
}

function makeFrontendTrees(icons, dest) {
  const rows = [];
  const taken = new Set(icons.map((icon) => icon.name));
  const copies = Math.ceil(FRONTEND_ROWS / icons.length);
  for (let copy = 1; copy <= copies && rows.length < FRONTEND_ROWS; ++copy) {
    for (const icon of icons) {
      if (rows.length === FRONTEND_ROWS) break;
      const folder = 'set' + copy + '/' + folderOf(icon.category).split(path.sep).join('/');
      // Distinct names: every side file lands in one output folder.
      let stem = icon.name;
      for (let n = copy; copy > 1 && taken.has(stem); ++n) stem = icon.name + '-' + n;
      taken.add(stem);
      const svgname = folder + '/' + stem;
      const caption = captionOf(stem);
      const category = icon.category || 'Other';
      const bytes = fs.readFileSync(icon.file);
      for (const tree of ['svg', 'compiled']) {
        const dir = path.join(dest, tree, folder);
        if (!madeFolders.has(dir)) {
          fs.mkdirSync(dir, {recursive: true});
          madeFolders.add(dir);
        }
        fs.writeFileSync(path.join(dir, stem + '.svg'), bytes);
      }
      fs.writeFileSync(path.join(dest, 'compiled', folder, stem + '.svg.inf'),
                       importedDescriptor(category, caption));
      rows.push([(rows.length + 1) * 10, svgname, category, caption]);
    }
  }
  fs.writeFileSync(path.join(dest, 'compiled', 'copyright.txt'), '\ufeff' + COPYRIGHT);
  const table = {
    name: 'T_main',
    columns: [{name: 'ID', type: 'long'}, {name: 'svgname', type: 'text'},
              {name: 'category', type: 'text'}, {name: 'caption', type: 'text'}],
    rows,
  };
  fs.writeFileSync(path.join(dest, 'definitions.json'), JSON.stringify({tables: [table]}));
  return rows.length;
}

function main() {
  const [packageDir, kind, dest] = process.argv.slice(2);
  if (!packageDir || !dest) usage();
  const icons = loadIcons(packageDir);
  fs.mkdirSync(dest, {recursive: true});
  if (kind === 'frontend') {
    process.stdout.write(String(makeFrontendTrees(icons, dest)) + '\n');
    return;
  }
  fs.writeFileSync(path.join(dest, 'copyright.txt'), COPYRIGHT);
  let count;
  if (kind === 'small') count = makeIconTrees(icons, dest, 1);
  else if (kind === 'scale') count = makeIconTrees(icons, dest, 4);
  else if (kind === 'large') count = makeLargeMaps(icons, dest);
  else usage();
  process.stdout.write(String(count) + '\n');
}

main();
