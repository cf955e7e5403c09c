// Runs the README's corridor query ("where was it slow this morning") on the
// demo day, so that it can never return nothing: the demo day
// (loopconv-gen --devices 300 --date 08/18/2021 --seed 1 --lst, as
// scripts/demo.sh makes it) converted with the options of the line
//   <!-- example run: --cabinets={in}/Cabinets_08182021.LST --corridors -->
// before the query ({in}: the folder of the day and its list), then the SQL
// of its `duckdb -c "..."` run through DuckDB's Node.js client, which must
// return rows with at least one value in every column.
//
//   node tests/corridor_query/corridor_query.mjs --loopconv BIN --gen BIN
//
// DuckDB's client (@duckdb/node-api, pinned) is installed with npm into
// .cache/node when it is missing.
import { execFileSync } from 'node:child_process';
import { existsSync, mkdirSync, mkdtempSync, readFileSync, rmSync, writeFileSync } from 'node:fs';
import { createRequire } from 'node:module';
import { tmpdir } from 'node:os';
import { dirname, join, resolve } from 'node:path';
import { fileURLToPath } from 'node:url';

const root = resolve(dirname(fileURLToPath(import.meta.url)), '../..');
const marker = '<!-- example run: --cabinets={in}/Cabinets_08182021.LST --corridors -->';
const duckdbPackage = '@duckdb/node-api';
const duckdbVersion = '1.5.6-r.1';

function argument(name) {
  const at = process.argv.indexOf(name);
  if (at < 0 || at + 1 >= process.argv.length) {
    console.error('usage: node corridor_query.mjs --loopconv BIN --gen BIN');
    process.exit(2);
  }
  return process.argv[at + 1];
}

function fail(message) {
  console.error(`corridor_query: ${message}`);
  process.exit(1);
}

// The SQL of the ```sh block right after the marker.
function readmeQuery() {
  const lines = readFileSync(join(root, 'README.md'), 'utf8').split('\n');
  const at = lines.indexOf(marker);
  if (at < 0 || lines[at + 1] !== '```sh') fail(`README.md has no \`\`\`sh block after ${marker}`);
  const body = [];
  for (let i = at + 2; i < lines.length && !lines[i].startsWith('```'); ++i) {
    if (!lines[i].trimStart().startsWith('#')) body.push(lines[i]);
  }
  const text = body.join('\n');
  const start = text.indexOf('"', text.search(/duckdb\s+-c\b/));
  const end = text.lastIndexOf('"');
  if (start < 0 || end <= start) fail('no duckdb -c "..." in the block');
  return text.slice(start + 1, end);
}

function duckdbClient() {
  const cache = join(root, '.cache/node');
  if (!existsSync(join(cache, 'node_modules', duckdbPackage, 'package.json'))) {
    mkdirSync(cache, { recursive: true });
    if (!existsSync(join(cache, 'package.json'))) {
      writeFileSync(join(cache, 'package.json'), '{ "private": true }\n');
    }
    execFileSync('npm', ['install', '--prefix', cache, '--no-audit', '--no-fund', '--save-exact',
                         `${duckdbPackage}@${duckdbVersion}`], { stdio: 'inherit' });
  }
  return createRequire(join(cache, 'package.json'))(duckdbPackage);
}

const loopconv = argument('--loopconv');
const gen = argument('--gen');
const sql = readmeQuery();
const work = mkdtempSync(join(tmpdir(), 'corridor-query-'));
try {
  const dirs = ['in', 'out', 'log'].map((d) => join(work, d));
  dirs.forEach((d) => mkdirSync(d));
  const [input, output, logs] = dirs;
  execFileSync(gen, ['--devices', '300', '--date', '08/18/2021', '--seed', '1', '--lst', input]);
  const options = marker.replace('<!-- example run: ', '').replace(' -->', '')
      .replaceAll('{in}', input).split(' ');
  execFileSync(loopconv, [...options, `-I${input}`, `-O${output}`, `-F${logs}`]);
  const { DuckDBInstance } = duckdbClient();
  process.chdir(output);
  const instance = await DuckDBInstance.create(':memory:');
  const connection = await instance.connect();
  const result = await connection.runAndReadAll(sql);
  const rows = result.getRowsJS();
  const columns = result.columnNames();
  console.log(columns.join('\t'));
  for (const row of rows) console.log(row.map(String).join('\t'));
  if (rows.length === 0) fail('the query returned no row');
  columns.forEach((name, c) => {
    if (rows.every((row) => row[c] === null)) fail(`column ${name} holds only NULL`);
  });
} finally {
  process.chdir(root);
  rmSync(work, { recursive: true, force: true });
}
