// The page side of the bridge. Every page includes runtime.js: what the browser receives is
// this module with everything it imports, bundled by the build into one classic script
// that runs where the page includes it, before the page's own scripts.
import { prepare } from './prepare.js';
import { startRuntime } from './start.js';

if (prepare()) startRuntime();
