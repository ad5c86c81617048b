// Headless Debian chromium, one worker (the machines are small), results in the build folder.
const path = require('path');
const { defineConfig } = require('@playwright/test');

const binary = process.env.DORVATH_BINARY || path.join(__dirname, '..', '..', 'build');

module.exports = defineConfig({
  testDir: __dirname,
  testMatch: /.*\.spec\.js$/,
  workers: 1,
  timeout: 60000,
  expect: { timeout: 10000 },
  reporter: [['list']],
  outputDir: path.join(binary, 'e2e-results'),
  use: {
    browserName: 'chromium',
    viewport: { width: 900, height: 620 },
    launchOptions: {
      executablePath: process.env.DORVATH_CHROMIUM || '/usr/bin/chromium',
      headless: true,
      // Without the background-networking flags chromium keeps trying to reach the network.
      args: ['--headless', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
             '--disable-background-networking', '--disable-component-update', '--disable-sync'],
    },
  },
});
