// ESLint for the page runtime (scripts/lint runs it): its modules, and runtime.js, the
// classic script that every page includes and that loads them.
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
  {
    files: ['resources/runtime/runtime.js'],
    ...js.configs.recommended,
    languageOptions: {
      ecmaVersion: 2022,
      sourceType: 'script',
      globals: { ...globals.browser },
    },
  },
];
