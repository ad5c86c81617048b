// ESLint for the page runtime (scripts/lint runs it): its modules, which the build bundles
// into runtime.js, the one script every page includes.
const js = require('@eslint/js');
const globals = require('globals');

module.exports = [
  {
    files: ['resources/runtime/js/*.js'],
    ...js.configs.recommended,
    languageOptions: {
      ecmaVersion: 2022,
      sourceType: 'module',
      globals: { ...globals.browser },
    },
  },
  {
    // uPlot comes with the chart pages, from /Html/uplot.
    files: ['resources/runtime/js/chart.js'],
    languageOptions: { globals: { uPlot: 'readonly' } },
  },
];
