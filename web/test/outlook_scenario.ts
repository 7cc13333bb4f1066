// What the fake Outlook and the fake MSAL of the browser tests are told to
// be, and what they record. A script (no imports): the fakes load as plain
// <script>s, and the tests see these types as globals.

interface FakeMail {
  id: string;
  subject: string;
  emlBase64: string;
  // Outlook's error for getAsFileAsync, when it fails for this mail.
  readError?: string;
  // A selected meeting request or appointment rather than a mail.
  appointment?: boolean;
}

interface OutlookScenario {
  // The highest Mailbox requirement set the client supports, "1.1" to "1.15".
  mailboxVersion: string;
  mails: FakeMail[];
  // Ids of the mails selected in the mail list; the first is also the open item.
  selected: string[];
  masterCategories: string[];
  // Whether the client signs add-ins in itself (NestedAppAuth 1.1); it does unless false.
  nestedAppAuth?: boolean;
}

interface OutlookRecord {
  categories: Record<string, string[]>;
  masterCategories: string[];
  mimeRead: string[];
  loadedNow: string | null;
}

interface SignInScenario {
  // The token MSAL has cached, and the one a refresh gets.
  cachedToken: string;
  freshToken: string;
  // The cached token needs the user to sign in again: silent fails, a pop-up helps.
  interactionRequired?: boolean;
}

interface SignInRecord {
  silent: { forceRefresh: boolean }[];
  popups: number;
}

interface Window {
  outlookScenario: OutlookScenario;
  outlookRecord: OutlookRecord;
  signInScenario: SignInScenario;
  signInRecord: SignInRecord;
}
