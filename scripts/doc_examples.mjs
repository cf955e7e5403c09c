// Runs every DuckDB and Python example of README.md and docs/reports.md on
// the demo day's outputs, so that an example can never silently return
// nothing (a station that is in no generated day, a column that is gone).
//
//   node scripts/doc_examples.mjs --loopconv BIN --gen BIN
//
// Every ```python block and every ```sh block that calls `duckdb -c` is an
// example, and must follow a line
//   <!-- example run: ARGS -->
// naming the loopconv options that write the files it reads; `{in}` in ARGS
// is the folder holding the demo day and its cabinet list. The harness
// converts the demo day (loopconv-gen --devices 300 --date 08/18/2021
// --seed 8 --lst, as scripts/demo.sh) with those options into a fresh folder
// and runs the example there: a DuckDB query through @duckdb/node-api
// (installed by scripts/install_node_deps.sh) must return rows, each of its
// columns holding at least one value that is not NULL; a Python example must
// succeed and print something.
import { execFileSync, spawnSync } from 'node:child_process';
import { mkdtempSync, readFileSync, rmSync, mkdirSync } from 'node:fs';
import { createRequire } from 'node:module';
import { tmpdir } from 'node:os';
import { dirname, join, resolve } from 'node:path';
import { fileURLToPath, pathToFileURL } from 'node:url';

const root = resolve(dirname(fileURLToPath(import.meta.url)), '..');
const documents = ['README.md', 'docs/reports.md'];

function argument(name) {
  const at = process.argv.indexOf(name);
  if (at < 0 || at + 1 >= process.argv.length) {
    console.error(`usage: node scripts/doc_examples.mjs --loopconv BIN --gen BIN`);
    process.exit(2);
  }
  return process.argv[at + 1];
}

// The examples of one document: {where, language, code, args}.
function examplesOf(document) {
  const lines = readFileSync(join(root, document), 'utf8').split('\n');
  const found = [];
  let marker = null;
  for (let i = 0; i < lines.length; ++i) {
    const markerMatch = lines[i].match(/^<!-- example run: (.*) -->\s*$/);
    if (markerMatch) {
      marker = { line: i + 1, args: markerMatch[1].trim() };
      continue;
    }
    const fence = lines[i].match(/^```(\w*)\s*$/);
    if (!fence || fence[1] === '') {
      if (lines[i].trim() !== '') marker = marker && lines[i].startsWith('<!--') ? marker : null;
      continue;
    }
    const start = i;
    const body = [];
    for (++i; i < lines.length && !lines[i].startsWith('```'); ++i) body.push(lines[i]);
    const code = body.join('\n');
    const language = fence[1];
    const isExample = language === 'python' || (language === 'sh' && /\bduckdb\s+-c\b/.test(code));
    if (isExample) {
      found.push({ where: `${document}:${start + 1}`, language, code, args: marker?.args ?? null });
    }
    marker = null;
  }
  return found;
}

// The SQL of a `duckdb -c "..."` command: between the first quote after -c
// and the last quote of the block.
function sqlOf(code) {
  const text = code.split('\n').filter((line) => !line.trimStart().startsWith('#')).join('\n');
  const start = text.indexOf('"', text.search(/duckdb\s+-c\b/));
  const end = text.lastIndexOf('"');
  if (start < 0 || end <= start) return null;
  return text.slice(start + 1, end);
}

async function duckdb() {
  const cache = join(root, '.cache/node');
  try {
    const require = createRequire(join(cache, 'package.json'));
    return await import(pathToFileURL(require.resolve('@duckdb/node-api')).href);
  } catch (error) {
    console.error(`@duckdb/node-api is not installed in ${cache}: run scripts/install_node_deps.sh`);
    process.exit(1);
  }
}

const loopconv = resolve(argument('--loopconv'));
const gen = resolve(argument('--gen'));
const work = mkdtempSync(join(tmpdir(), 'doc_examples.'));
const failures = [];
let count = 0;
try {
  const input = join(work, 'in');
  mkdirSync(input);
  execFileSync(gen, ['--devices', '300', '--date', '08/18/2021', '--seed', '8', '--lst', input]);
  const { DuckDBInstance } = await duckdb();
  for (const document of documents) {
    for (const example of examplesOf(document)) {
      ++count;
      const fail = (why) => failures.push(`${example.where}: ${why}`);
      if (example.args === null) {
        fail('no "<!-- example run: ARGS -->" line right before the block');
        continue;
      }
      const output = join(work, `out${count}`);
      const log = join(work, `log${count}`);
      mkdirSync(output);
      mkdirSync(log);
      const args = example.args.replaceAll('{in}', input).split(/\s+/).filter((a) => a);
      // In the output folder, where the example runs: a relative path in ARGS
      // (--summary=summary.csv) lands beside the outputs.
      const run = spawnSync(loopconv, [...args, `-I${input}`, `-O${output}`, `-F${log}`], {
        cwd: output,
      });
      if (run.status !== 0) {
        fail(`loopconv ${example.args} exited ${run.status}: ${run.stderr}`);
        continue;
      }
      if (example.language === 'python') {
        const python = spawnSync('python3', ['-c', example.code], { cwd: output });
        if (python.status !== 0) {
          fail(`python failed: ${python.stderr}`);
        } else if (python.stdout.toString().trim() === '') {
          fail('python printed nothing');
        }
        continue;
      }
      const sql = sqlOf(example.code);
      if (sql === null) {
        fail('no quoted query after duckdb -c');
        continue;
      }
      const instance = await DuckDBInstance.create(':memory:');
      const connection = await instance.connect();
      try {
        await connection.run(`SET file_search_path = '${output.replaceAll("'", "''")}'`);
        const reader = await connection.runAndReadAll(sql);
        const rows = reader.getRowObjects();
        const columns = reader.columnNames();
        if (rows.length === 0) {
          fail('the query returned no row');
        } else {
          for (const column of columns) {
            if (rows.every((row) => row[column] === null)) fail(`column ${column} is NULL in every row`);
          }
        }
      } catch (error) {
        fail(`the query failed: ${error.message}`);
      } finally {
        connection.closeSync?.();
      }
    }
  }
} finally {
  rmSync(work, { recursive: true, force: true });
}
if (count < 2) failures.push(`found only ${count} examples; the pattern no longer matches them`);
for (const failure of failures) console.error(failure);
console.log(`${count} examples, ${failures.length} failures`);
process.exit(failures.length === 0 ? 0 : 1);
