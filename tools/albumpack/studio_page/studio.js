// The studio page: loads the album's manifest, shows its settings and
// photos, and saves every change to the manifest at once.
import { edit, loadAlbum } from './api.js';
import * as photos from './photos.js';

const status = document.getElementById('status');

function failed(error) {
  status.textContent = `Not saved: ${error.message}`;
}

function saved(album, what = 'Saved') {
  status.textContent = what;
  photos.show(album);
}

function showSettings(album) {
  const form = document.getElementById('album-form');
  const settings = album.settings ?? {};
  form.elements.title.value = album.title ?? '';
  form.elements.author.value = album.author ?? '';
  form.elements.interval.value = settings.TimeInterval ?? '';
  form.elements.draw.value = settings.ImgDrawScale ?? '';
  form.addEventListener('change', (event) => {
    const input = event.target;
    edit('/api/album', { [input.name]: input.value }).then((a) => saved(a), failed);
  });
}

async function start() {
  try {
    const album = await loadAlbum();
    showSettings(album);
    photos.setUp(saved, failed);
    photos.show(album);
    status.textContent = `${(album.photos ?? []).length} photos`;
  } catch (error) {
    status.textContent = `The album cannot be shown: ${error.message}`;
  }
}

start();
