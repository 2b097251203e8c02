// Starts code-server in this process: what its own entry does, without the child process it
// starts and the handshake with it, which must end within a fixed 10 s that a loaded machine
// misses. Usage: node code_server.js CODE_SERVER_PACKAGE [code-server options]
const path = require('path');

const [packageDir, ...options] = process.argv.slice(2);
const node = (name) => require(path.join(packageDir, 'out', 'node', name));
const cli = node('cli');
const main = node('main');

(async () => {
  const cliArgs = cli.parse(options);
  const args = await cli.setDefaults(cliArgs, await cli.readConfigFile(cliArgs.config));
  await main.runCodeServer(args);
})().catch((error) => {
  console.error(error);
  process.exit(1);
});
